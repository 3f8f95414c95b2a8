#include "tools/mvrbook/compiledbook.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

QByteArray compiledBookSource(const BookPlan &plan)
{
    QStringList contents;
    for (const int spread : plan.contents)
        contents.append(QString::number(spread));
    return QStringLiteral("// Made by mvrbook for the program built for the book \"%1\"; do not "
                          "edit.\n"
                          "#include \"app/compiledbook.h\"\n"
                          "\n"
                          "Content::Sources compiledBook()\n"
                          "{\n"
                          "    Content::Sources book;\n"
                          "    book.lastSpread = %2;\n"
                          "    book.contentsTargets = {%3};\n"
                          "    return book;\n"
                          "}\n")
        .arg(QString(plan.title).replace(u'"', u'\''))
        .arg(plan.lastSpread)
        .arg(contents.join(QStringLiteral(", ")))
        .toUtf8();
}

bool writeCompiledBook(const BookPlan &plan, const QString &path)
{
    const QByteArray source = compiledBookSource(plan);
    if (QFile file(path); file.open(QIODevice::ReadOnly) && file.readAll() == source)
        return true;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(source) == source.size() && file.commit();
}
