#include "TFSplash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace qal {

TFSplash::TFSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFSplash"));
    setFixedSize(480, 300);
    setStyleSheet(QStringLiteral("background: #17365d; color: white;"));
    auto *layout = new QVBoxLayout(this);
    auto *picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/app/logo.png")).scaledToHeight(160, Qt::SmoothTransformation));
    picture->setAlignment(Qt::AlignCenter);
    auto *title = new QLabel(QStringLiteral("QAL Regional"), this);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("font-size: 22pt; font-weight: bold;"));
    layout->addWidget(picture);
    layout->addWidget(title);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace qal
