#pragma once

#include <QElapsedTimer>
#include <QMutex>
#include <QString>

#include <cstdio>

// Shows how far a long step has got on standard error: a bar redrawn in place on a terminal,
// and where the output goes to a log, a line now and then. step() may be called from any
// thread.
class Progress
{
public:
    Progress(QString what, int total, std::FILE *out = stderr);
    ~Progress();

    void step();

private:
    void draw(bool last);

    QString m_what;
    int m_total;
    int m_done = 0;
    std::FILE *m_out;
    bool m_terminal;
    QElapsedTimer m_sinceShown;
    QMutex m_mutex;
};
