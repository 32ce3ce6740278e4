#include "imaging/forms/TFVerImg.h"

#include "imaging/forms/PageControls.h"
#include "ui_TFVerImg.h"

#include "core/Dialogs.h"

#include <QFileInfo>

namespace qal {

TFVerImg::TFVerImg(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFVerImg>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    m_paginas = new PageControls({m_ui->ImgEdit, m_ui->edPagina, m_ui->lbPaginas, m_ui->sbAnterior, m_ui->sbSiguiente,
                                  m_ui->btAjustarVentana, m_ui->btAjustarAncho, m_ui->btAjustarAlto, m_ui->btTamanoLibre,
                                  m_ui->seZoom},
                                 this);
    m_paginas->setZoomMode(ImageView::ZoomMode::FitWidth);
    // printing arrives with the printed documents
    m_ui->btImprimir->setEnabled(false);
    connect(m_ui->btSalir, &QPushButton::clicked, this, &QDialog::accept);
}

TFVerImg::~TFVerImg() = default;

bool TFVerImg::mostrarArchivo(const QString &file)
{
    QString error;
    if (!QFileInfo(file).isFile() || !m_ui->ImgEdit->openFile(file, &error)) {
        m_ui->ImgEdit->clear();
        return false;
    }
    return true;
}

void TFVerImg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (archivo != m_ui->ImgEdit->fileName() || m_ui->ImgEdit->isEmpty()) {
        if (!mostrarArchivo(archivo) && !archivo.isEmpty())
            Dialogs::error(QStringLiteral("No se puede mostrar la imagen %1").arg(QFileInfo(archivo).fileName()));
    }
}

} // namespace qal
