#include "TFCompPedBol.h"

#include "core/Dialogs.h"
#include "data/Tdm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qal {
namespace {

// The rows of both columns in order; the compared ones are painted.
struct Fila
{
    const char *nombre;
    const char *rotulo;
    bool comparada;
};

const QList<Fila> &filas()
{
    static const QList<Fila> f {
        {"Apellidos", "Apellidos:", true},
        {"Nombres", "Nombres:", true},
        {"NombresPadre", "Nombres Padre:", true},
        {"ApellidosMadre", "Apellidos Madre:", true},
        {"NombresMadre", "Nombres Madre:", true},
        {"Sexo", "Sexo:", true},
        {"FechaNacimiento", "Fecha de Nacimiento:", true},
        {"Nacionalidad", "Nacionalidad:", true},
        {"TipoDocumento", "Tipo Documento:", true},
        {"Numero", "Número:", true},
        {"Prefijo", "Prefijo:", false},
        {"Sufijo", "Sufijo:", false},
    };
    return f;
}

// Texts joined by one blank, each trimmed.
QString unidos(const QList<QVariant> &partes)
{
    QStringList s;
    for (const QVariant &p : partes) {
        const QString t = p.toString().trimmed();
        if (!t.isEmpty())
            s << t;
    }
    return s.join(QLatin1Char(' '));
}

QString fecha(const QVariant &v)
{
    const QDate d = v.toDate();
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString numero(const QVariant &v)
{
    if (v.isNull() || v.toString().trimmed().isEmpty())
        return {};
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? QString::number(static_cast<qint64>(d)) : v.toString().trimmed();
}

QString nombreValor(const QString &fila, bool pedido)
{
    return (pedido ? QStringLiteral("ped") : QStringLiteral("bol")) + fila;
}

} // namespace

TFCompPedBol::TFCompPedBol(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_continuar(new QPushButton(QStringLiteral("C&ontinuar"), this)),
      m_cancelar(new QPushButton(QStringLiteral("&Cancelar"), this))
{
    setObjectName(QStringLiteral("TFCompPedBol"));
    setWindowTitle(QStringLiteral("Comparativo de Pedido - Boleta"));
    auto *principal = new QVBoxLayout(this);
    auto *titulo = new QLabel(
        QStringLiteral("Algunos datos del pedido difieren con los de la boleta. Por favor verifique:"), this);
    QFont negrita = titulo->font();
    negrita.setBold(true);
    titulo->setFont(negrita);
    principal->addWidget(titulo);
    auto *columnas = new QHBoxLayout;
    principal->addLayout(columnas);
    for (const bool pedido : {true, false}) {
        auto *grupo = new QGroupBox(pedido ? QStringLiteral("Pedido Privado QAL") : QStringLiteral("Boleta "), this);
        auto *grid = new QGridLayout(grupo);
        QList<QPair<QString, QString>> todas;
        for (const Fila &f : filas())
            todas << qMakePair(QString::fromLatin1(f.nombre), QString::fromUtf8(f.rotulo));
        if (pedido)
            todas << qMakePair(QStringLiteral("Pedido"), QStringLiteral("Pedido:"))
                  << qMakePair(QStringLiteral("Regional"), QStringLiteral("Regional:"));
        else
            todas << qMakePair(QStringLiteral("Codigo"), QStringLiteral("Código:"));
        int row = 0;
        for (const auto &[nombre, rotulo] : todas) {
            auto *lb = new QLabel(rotulo, grupo);
            lb->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            auto *v = new QLabel(grupo);
            v->setObjectName(nombreValor(nombre, pedido));
            v->setFont(negrita);
            v->setMinimumWidth(180);
            grid->addWidget(lb, row, 0);
            grid->addWidget(v, row, 1);
            ++row;
        }
        columnas->addWidget(grupo);
    }
    auto *botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(m_continuar);
    botones->addWidget(m_cancelar);
    principal->addLayout(botones);
    for (QPushButton *b : {m_continuar, m_cancelar})
        b->setAutoDefault(false);
    connect(m_continuar, &QPushButton::clicked, this, &TFCompPedBol::btContinuarClick);
    connect(m_cancelar, &QPushButton::clicked, this, &QDialog::reject);
}

QColor TFCompPedBol::colorIgual()
{
    return QColor(128, 0, 0);
}

QColor TFCompPedBol::colorDistinto()
{
    return QColor(0, 0, 128);
}

QLabel *TFCompPedBol::valor(const QString &fila, bool pedido) const
{
    return findChild<QLabel *>(nombreValor(fila, pedido));
}

void TFCompPedBol::llenar()
{
    const dbase::Table &p = m_dm.pedp;
    const PedBol &b = m_dm.pedBol;
    auto pv = [&p](const char *f) { return p.value(QLatin1String(f)); };
    auto bv = [&b](const char *f) { return b.value(QLatin1String(f)); };
    // the slip carries codes; both columns show the names this office's tables give them
    auto nombre = [this](const char *f) { return m_dm.nombreEnBoleta(QLatin1String(f)); };
    const QList<QPair<QString, QString>> pares {
        {unidos({pv("X_APE1"), pv("X_APE2")}), unidos({bv("x_ape1"), bv("x_ape2")})},
        {unidos({pv("X_NOM1"), pv("X_NOM2"), pv("X_NOM3")}), unidos({bv("x_nom1"), bv("x_nom2"), bv("x_nom3")})},
        {unidos({pv("X_NOMPADR1"), pv("X_NOMPADR2"), pv("X_NOMPADR3")}),
         unidos({bv("x_nom1p"), bv("x_nom2p"), bv("x_nom3p")})},
        {unidos({pv("X_APEMADR1"), pv("X_APEMADR2")}), unidos({bv("x_ape1m"), bv("x_ape2m")})},
        {unidos({pv("X_NOMMADR1"), pv("X_NOMMADR2"), pv("X_NOMMADR3")}),
         unidos({bv("x_nom1m"), bv("x_nom2m"), bv("x_nom3m")})},
        {pv("X_SEXO").toString().trimmed(), nombre("x_sexo")},
        {fecha(pv("F_NAC")), fecha(bv("f_nac"))},
        {pv("x_nac").toString().trimmed(), nombre("x_nac")},
        {pv("x_tdoc").toString().trimmed(), nombre("x_tdoc")},
        {numero(pv("N_DOC")), numero(bv("n_doc"))},
        {pv("C_PREFIJO").toString().trimmed(), bv("c_prefijo").toString().trimmed()},
        {pv("C_SUFIJO").toString().trimmed(), bv("c_sufijo").toString().trimmed()},
    };
    for (int i = 0; i < filas().size(); ++i) {
        const QString fila = QString::fromLatin1(filas()[i].nombre);
        QLabel *enPedido = valor(fila, true);
        QLabel *enBoleta = valor(fila, false);
        enPedido->setText(pares[i].first);
        enBoleta->setText(pares[i].second);
        if (!filas()[i].comparada)
            continue;
        const QColor color = pares[i].first == pares[i].second ? colorIgual() : colorDistinto();
        for (QLabel *l : {enPedido, enBoleta}) {
            QPalette pal = l->palette();
            pal.setColor(QPalette::WindowText, color);
            l->setPalette(pal);
        }
    }
    valor(QStringLiteral("Pedido"), true)->setText(numero(pv("C_PED")));
    valor(QStringLiteral("Regional"), true)->setText(numero(pv("C_REG")));
    valor(QStringLiteral("Codigo"), false)->setText(bv("c_boleta_web").toString().trimmed());
}

bool TFCompPedBol::comparar(const std::function<int(QDialog &)> &mostrar)
{
    llenar();
    return mostrar(*this) == QDialog::Accepted;
}

void TFCompPedBol::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_cancelar->setFocus();
}

void TFCompPedBol::btContinuarClick()
{
    if (Dialogs::confirm(QStringLiteral("Aún hay datos que difieren de la boleta\rEstá seguro que desea continuar?"),
                         QStringLiteral("Confirmar")))
        accept();
}

} // namespace qal
