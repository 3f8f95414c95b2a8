#include "tools/mvrbook/compiledbook.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

// A C++ string literal that says `text` exactly; the source is UTF-8, as all of ours.
QString cppString(const QString &text)
{
    QString escaped;
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            escaped += u'\\';
        if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else
            escaped += c;
    }
    return u'"' + escaped + u'"';
}

} // namespace

QByteArray compiledBookSource(const BookPlan &plan)
{
    QStringList contents;
    for (const int spread : plan.contents)
        contents.append(QString::number(spread));
    return QStringLiteral("// Made by mvrbook for the program built for the book %1; do not "
                          "edit.\n"
                          "#include \"app/compiledbook.h\"\n"
                          "\n"
                          "Content::Sources compiledBook()\n"
                          "{\n"
                          "    Content::Sources book;\n"
                          "    book.lastSpread = %2;\n"
                          "    book.contentsTargets = {%3};\n"
                          "    book.title = QStringLiteral(%1);\n"
                          "    book.unitCount = %4;\n"
                          "    return book;\n"
                          "}\n")
        // In one pass, so that a title holding "%2" stays as it is.
        .arg(cppString(plan.title), QString::number(plan.lastSpread),
             contents.join(QStringLiteral(", ")), QString::number(plan.units))
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
