#pragma once

#include "tools/demobook/booktext.h"
#include "tools/demobook/speech.h"

#include <QString>

// Makes the demo animations: a few seconds of a drawn scene with one spoken line, as MP4
// files of the book folder.
class MovieMaker
{
public:
    MovieMaker(const Tools &tools, Speech &speech, const QString &workDir);

    static bool isScene(const QString &scene, const QString &argument);

    void make(const MovieText &movie, const QString &voice, const QString &path);

private:
    const Tools &m_tools;
    Speech &m_speech;
    QString m_workDir;
};
