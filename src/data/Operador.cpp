#include "Operador.h"

#include "data/PasswordProtection.h"
#include "dbase/Table.h"

namespace qal {
namespace {

const QString kLogin = QStringLiteral("C_LOGIN");
const QString kClave = QStringLiteral("C_CLAVE");

bool printable(const QString &text)
{
    for (QChar c : text) {
        if (!c.isPrint())
            return false;
    }
    return true;
}

bool moveTo(dbase::Table &usu, const QString &login)
{
    if (login.isEmpty())
        return false;
    const bool indexed = usu.indexField().compare(kLogin, Qt::CaseInsensitive) == 0;
    return indexed ? usu.findKey(login) : usu.locate(kLogin, login);
}

// C_CLAVE is a character field: a protected password whose last bytes are blanks comes
// back without them, and unscrambles to a shorter text. Such a password is still accepted
// when its protected form, without trailing blanks, is what the table holds.
bool coincideRecortada(const QVariant &stored, const QString &typed)
{
    if (stored.isNull())
        return false;
    const QString protegida = ProtegerClave(typed);
    if (!protegida.endsWith(QLatin1Char(' ')))
        return false;
    qsizetype n = protegida.size();
    while (n > 0 && protegida.at(n - 1) == QLatin1Char(' '))
        --n;
    return protegida.left(n) == stored.toString();
}

QVariant storedClave(const dbase::Table &usu)
{
    try {
        return usu.value(kClave);
    } catch (...) {
        return {};
    }
}

} // namespace

Operador &Operador::actual()
{
    static Operador operador;
    return operador;
}

bool claveEsperada(dbase::Table &usu, const QString &login, QString *clave)
{
    clave->clear();
    if (!moveTo(usu, login))
        return false;
    const QVariant stored = usu.value(kClave);
    if (stored.isNull()) {
        *clave = login;
        return true;
    }
    const QString plain = DesprotegerClave(stored.toString());
    if (!printable(plain))
        return false;
    *clave = plain;
    return true;
}

ControlAcceso::Resultado ControlAcceso::ingresar(const QString &login, const QString &clave)
{
    Operador &op = Operador::actual();
    op.usuario = login;
    op.clave.clear();
    QString esperada;
    bool existe = false;
    try {
        existe = claveEsperada(m_usu, login, &esperada);
    } catch (...) {
        existe = false; // an unreadable user table lets nobody in
    }
    if (existe && clave == esperada) {
        op.clave = esperada;
        return Resultado::Aceptado;
    }
    if (existe && !clave.isEmpty() && coincideRecortada(storedClave(m_usu), clave)) {
        op.clave = clave;
        return Resultado::Aceptado;
    }
    esperada.fill(QLatin1Char(' '));
    ++m_intentos;
    return m_intentos >= kMaxIntentos ? Resultado::Bloqueado : Resultado::Rechazado;
}

QString validarCambioClave(const QString &actualTipeada, const QString &nueva, const QString &confirmacion)
{
    if (actualTipeada != Operador::actual().clave)
        return QStringLiteral("La contraseña actual es incorrecta");
    if (nueva == actualTipeada)
        return QStringLiteral("La contraseña actual y la nueva son iguales");
    if (nueva.isEmpty())
        return QStringLiteral("La contraseña no puede ser vacía");
    if (confirmacion != nueva)
        return QStringLiteral("Las nuevas contraseñas no coinciden");
    return {};
}

bool grabarClave(dbase::Table &usu, const QString &login, const QString &nueva)
{
    const bool enFila = !usu.isEmpty() && usu.value(kLogin).toString() == login;
    if (!enFila && !moveTo(usu, login))
        return false;
    usu.edit();
    try {
        usu.setValue(kClave, ProtegerClave(nueva));
        usu.post();
    } catch (...) {
        usu.cancel();
        throw;
    }
    return true;
}

void limpiarClave(dbase::Table &usu)
{
    usu.edit();
    try {
        usu.clearValue(kClave);
        usu.post();
    } catch (...) {
        usu.cancel();
        throw;
    }
}

} // namespace qal
