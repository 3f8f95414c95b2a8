#include "tools/mvrbook/process.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThreadPool>

ProcessResult runProcess(const QString &program, const QStringList &arguments)
{
    ProcessResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        result.error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
        return result;
    }
    // No time limit: a long movie takes as long as it takes to convert.
    process.waitForFinished(-1);
    result.output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        result.error = said.isEmpty() ? QStringLiteral("%1 failed (exit code %2)")
                                            .arg(QFileInfo(program).fileName())
                                            .arg(process.exitCode())
                                      : said;
        return result;
    }
    result.ok = true;
    return result;
}

Programs Programs::find(const QString &ffmpeg, const QString &rcc)
{
    const auto located = [](const QString &given, const QString &fallback) {
        const QString path = given.isEmpty() ? fallback : given;
        if (QFileInfo(path).isAbsolute())
            return QFileInfo(path).isExecutable() ? path : QString();
        return QStandardPaths::findExecutable(path);
    };
    Programs programs;
    programs.ffmpeg = located(ffmpeg, QStringLiteral("ffmpeg"));
    programs.rcc = located(rcc, QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
                                    QStringLiteral("/rcc"));
    return programs;
}

void runParallel(int count, int jobs, const std::function<void(int)> &task)
{
    QThreadPool pool;
    pool.setMaxThreadCount(std::max(1, jobs));
    for (int i = 0; i < count; ++i)
        pool.start([&task, i] { task(i); });
    pool.waitForDone();
}
