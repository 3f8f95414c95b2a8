#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <optional>

// A word Tesseract read on a page image.
struct OcrWord
{
    QRect box; // pixels of the image given
    QString text;
    double confidence = 0; // 0 ... 100, Tesseract's own
};

// Reads the English words of an image with Tesseract, each with its box. Nothing, with the
// reason, when Tesseract or its English data cannot be loaded.
std::optional<QList<OcrWord>> readWords(const QImage &image, QString *error);
