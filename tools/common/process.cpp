#include "tools/common/process.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

ProcessResult runProcess(const QString &program, const QStringList &arguments,
                         const QByteArray &input, int timeoutMs)
{
    ProcessResult result;
    const QString name = QFileInfo(program).fileName();
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    if (input.isEmpty())
        process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        result.error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
        return result;
    }
    if (!input.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.error = QStringLiteral("%1 did not finish").arg(name);
        return result;
    }
    result.output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        result.error =
            said.isEmpty()
                ? QStringLiteral("%1 failed (exit code %2)").arg(name).arg(process.exitCode())
                : said;
        return result;
    }
    result.ok = true;
    return result;
}

QString findProgram(const QString &given)
{
    const QFileInfo file(given);
    if (file.isAbsolute())
        return file.isFile() && file.isExecutable() ? given : QString();
    return QStandardPaths::findExecutable(given);
}
