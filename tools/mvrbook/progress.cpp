#include "tools/mvrbook/progress.h"

#include <unistd.h>

namespace {

constexpr int barWidth = 30;
// Where nobody watches a bar, a line every few seconds says the tool is still at work.
constexpr qint64 logIntervalMs = 5000;

} // namespace

Progress::Progress(QString what, int total, std::FILE *out)
    : m_what(std::move(what))
    , m_total(total)
    , m_out(out)
    , m_terminal(out && isatty(fileno(out)))
{
    m_sinceShown.start();
    if (m_out && m_total > 0)
        draw(false);
}

Progress::~Progress()
{
    if (m_out && m_total > 0)
        draw(true);
}

void Progress::step()
{
    const QMutexLocker lock(&m_mutex);
    ++m_done;
    if (!m_out || m_done >= m_total)
        return;
    if (m_terminal || m_sinceShown.elapsed() >= logIntervalMs)
        draw(false);
}

void Progress::draw(bool last)
{
    m_sinceShown.restart();
    const int filled = m_total ? m_done * barWidth / m_total : barWidth;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(barWidth - filled, '.');
    const QByteArray what = m_what.toLocal8Bit();
    if (m_terminal)
        std::fprintf(m_out, "\rmvrbook: %s [%s] %d/%d%s", what.constData(), bar.constData(), m_done,
                     m_total, last ? "\n" : "");
    else
        std::fprintf(m_out, "mvrbook: %s %d/%d\n", what.constData(), m_done, m_total);
    std::fflush(m_out);
}
