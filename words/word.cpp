#include "words/word.h"

word::word(QWidget *parent, AudioPlayerFactory makePlayer)
    : QWidget(parent)
{
    Q_UNUSED(makePlayer);
    backButton = new QPushButton(this);
    backButton->setObjectName(QStringLiteral("goback"));
    backButton->setGeometry(874, 572, 90, 36);
}
