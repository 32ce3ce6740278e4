#pragma once

#include <QDialog>

namespace qal {

// "Acerca de QAL Regional": product, version (copied from the main window's label) and "&Cerrar".
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    TAboutBox(const QString &version, QWidget *parent = nullptr);
};

} // namespace qal
