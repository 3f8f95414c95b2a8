#include "tools/demobook/tools.h"

#include "tools/common/process.h"

#include <QFileInfo>

namespace {

QString resolveOne(const QString &tool, const QString &package)
{
    const QString found = findProgram(tool);
    if (found.isEmpty())
        throw Failure(QStringLiteral("%1 not found; it comes with the Debian package %2")
                          .arg(QFileInfo(tool).fileName(), package));
    return found;
}

// Nothing the demo needs takes long; a minute means the tool hangs.
constexpr int patienceMs = 60000;

} // namespace

void Tools::resolve()
{
    espeak = resolveOne(espeak, QStringLiteral("espeak-ng"));
    sox = resolveOne(sox, QStringLiteral("sox"));
    ffmpeg = resolveOne(ffmpeg, QStringLiteral("ffmpeg"));
}

void runTool(const QString &program, const QStringList &arguments, const QByteArray &input)
{
    const ProcessResult result = runProcess(program, arguments, input, patienceMs);
    if (!result.ok)
        throw Failure(QStringLiteral("%1 %2 failed: %3")
                          .arg(QFileInfo(program).fileName(), arguments.join(u' '), result.error));
}
