#pragma once

#include "tools/mvrbook/edit/mapedits.h"

#include <QList>
#include <QRect>
#include <QString>

#include <vector>

// A spread's recording as the editor draws and snaps to it: mono samples at a low rate, enough
// for the waveform, and where it speaks.
struct RecordingTrace
{
    int sampleRate = 0;
    std::vector<float> samples;
    SpeechStretches speech; // ms
    int lengthMs = 0;
    QString error; // why there are no samples, for the author

    // Decodes the recording with ffmpeg; slow, so called off the GUI thread.
    static RecordingTrace decode(const QString &ffmpeg, const QString &path);
};

// The words Tesseract reads on a page image, as boxes in the 910 x 580 frame, to snap
// rectangles to; slow, so called off the GUI thread. Empty where nothing is read.
QList<QRect> readWordBoxes(const QString &imagePath, QString *error);
