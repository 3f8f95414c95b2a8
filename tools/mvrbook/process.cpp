#include "tools/mvrbook/process.h"

#include <QLibraryInfo>
#include <QThreadPool>

Programs Programs::find(const QString &ffmpeg, const QString &rcc)
{
    Programs programs;
    programs.ffmpeg = findProgram(ffmpeg.isEmpty() ? QStringLiteral("ffmpeg") : ffmpeg);
    programs.rcc =
        findProgram(rcc.isEmpty() ? QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
                                        QStringLiteral("/rcc")
                                  : rcc);
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
