#include "tools/common/headless.h"

#include <QDir>
#include <QFile>

void prepareHeadless(const QString &tool)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime =
            QDir::tempPath() +
            QStringLiteral("/%1-runtime-%2").arg(tool, qEnvironmentVariable("USER"));
        if (QDir().mkpath(runtime)) {
            QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        }
    }
}
