#include "TFImgPrn.h"

#include "ImprimirDocumento.h"

#include "imaging/forms/ImageView.h"
#include "reports/ColaImpresion.h"
#include "reports/PaginasImagen.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QFileInfo>
#include <QVBoxLayout>

namespace qal {

TFImgPrn::TFImgPrn(QWidget *parent) : QDialog(parent), m_view(new ImageView(this))
{
    setObjectName(QStringLiteral("TFImgPrn"));
    setWindowTitle(QStringLiteral("Impresión de Imagen"));
    // stays on top, without the border's buttons
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    m_view->setObjectName(QStringLiteral("ImgEdit"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    resize(400, 500);

    auto finished = [this](int job) {
        if (job == m_job) {
            m_job = 0;
            close();
        }
    };
    connect(&reports::ColaImpresion::instance(), &reports::ColaImpresion::printed, this,
            [finished](int job, const QString &) { finished(job); });
    connect(&reports::ColaImpresion::instance(), &reports::ColaImpresion::failed, this,
            [finished](int job, const QString &, const QString &) { finished(job); });
}

int TFImgPrn::Imprimir(const QString &file)
{
    const QString path = ProgramFolder::resolve(file);
    auto pages = std::make_unique<reports::PaginasImagen>();
    QString error;
    if (file.isEmpty() || !QFileInfo(path).isFile() || !pages->abrir(file, &error)) {
        if (!error.isEmpty() && QFileInfo(path).isFile())
            Dialogs::error(error);
        close();
        return 0;
    }
    m_view->openFile(path);
    show();
    m_job = reports::Encolar(std::move(pages));
    return m_job;
}

} // namespace qal
