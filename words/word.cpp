#include "words/word.h"

word::word(QWidget *parent, AudioPlayerFactory makePlayer)
    : QWidget(parent)
{
    Q_UNUSED(makePlayer);
    m_backButton = new QPushButton(this);
    m_backButton->setObjectName(QStringLiteral("goback"));
    m_backButton->setGeometry(874, 572, 90, 36);
}
