#include "TAboutBox.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qal {

TAboutBox::TAboutBox(const QString &version, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("Acerca de QAL Regional"));
    auto *layout = new QVBoxLayout(this);
    auto *logo = new QLabel(this);
    logo->setPixmap(QPixmap(QStringLiteral(":/app/logo.png")).scaledToHeight(96, Qt::SmoothTransformation));
    logo->setAlignment(Qt::AlignCenter);
    auto *product = new QLabel(QStringLiteral("QAL Regional"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    product->setStyleSheet(QStringLiteral("font-size: 16pt; font-weight: bold;"));
    product->setAlignment(Qt::AlignCenter);
    auto *versionLabel = new QLabel(version, this);
    versionLabel->setObjectName(QStringLiteral("Version"));
    versionLabel->setAlignment(Qt::AlignCenter);
    auto *close = new QPushButton(QStringLiteral("&Cerrar"), this);
    close->setObjectName(QStringLiteral("OKButton"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(logo);
    layout->addWidget(product);
    layout->addWidget(versionLabel);
    layout->addWidget(close, 0, Qt::AlignCenter);
    // wide enough for the whole caption in the title bar, beside the window's buttons
    QFont title = font();
    title.setBold(true);
    setMinimumWidth(QFontMetrics(title).horizontalAdvance(windowTitle()) + 140);
}

} // namespace qal
