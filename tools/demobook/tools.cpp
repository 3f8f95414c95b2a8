#include "tools/demobook/tools.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

QString resolveOne(const QString &tool, const QString &package)
{
    const QFileInfo given(tool);
    if (given.isAbsolute()) {
        if (given.isFile() && given.isExecutable())
            return tool;
    } else if (const QString found = QStandardPaths::findExecutable(tool); !found.isEmpty()) {
        return found;
    }
    throw Failure(QStringLiteral("%1 not found; it comes with the Debian package %2")
                      .arg(given.fileName(), package));
}

} // namespace

void Tools::resolve()
{
    espeak = resolveOne(espeak, QStringLiteral("espeak-ng"));
    sox = resolveOne(sox, QStringLiteral("sox"));
    rcc = resolveOne(rcc, QStringLiteral("qt6-base-dev-tools"));
    ffmpeg = resolveOne(ffmpeg, QStringLiteral("ffmpeg"));
}

void runTool(const QString &program, const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted())
        throw Failure(QStringLiteral("cannot start %1: %2").arg(program, process.errorString()));
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    // Nothing the demo needs takes long; a minute means the tool hangs.
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        throw Failure(QStringLiteral("%1 did not finish").arg(QFileInfo(program).fileName()));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        throw Failure(QStringLiteral("%1 %2 failed (exit code %3)%4")
                          .arg(QFileInfo(program).fileName(), arguments.join(u' '))
                          .arg(process.exitCode())
                          .arg(errors.isEmpty() ? QString() : QStringLiteral(": ") + errors));
    }
}
