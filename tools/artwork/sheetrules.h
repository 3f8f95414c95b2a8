#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// One rule of a button style sheet: the widget and state it styles, and the piece of a
// sprite image that it stretches over the widget.
struct SheetRule
{
    QString widgetClass; // "QPushButton" or "QLabel"
    QString objectName;
    QString state; // empty, "hover" or "pressed"
    QString image; // file name under :/Image/
    int top = 0;
    int right = 0;
    int bottom = 0;
    int left = 0;

    // What the rule shows of an image of this size: x from left to width - right and y from
    // top to height - bottom, the ends excluded. With no border only this piece is drawn.
    QRect slice(QSize imageSize) const;
    QString selector() const;
    QString numbers() const;
    bool operator==(const SheetRule &) const = default;
};

// The rules of a sheet in file order. Comments are skipped; an unreadable sheet, a sheet
// without rules and a rule without a border image sliced by four numbers are a Failure.
QList<SheetRule> readSheetRules(const QString &path);
