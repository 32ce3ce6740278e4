#pragma once

#include <QString>

namespace qal {

namespace dbase {
class Table;
}

// The operator of this process: set by the start-up log-in, the password updated by a
// password change. Both empty until a log-in succeeds. The clear password lives only here,
// in memory; it is never written to a file or a log.
struct Operador
{
    QString usuario;
    QString clave;

    static Operador &actual();
};

// Log-in against the user table (usu: C_LOGIN, X_USU, C_CLAVE protected with ProtegerClave;
// a null C_CLAVE means the password is the user name itself).
class ControlAcceso
{
public:
    static constexpr int kMaxIntentos = 3;
    enum class Resultado { Aceptado, Rechazado, Bloqueado };

    explicit ControlAcceso(dbase::Table &usu) : m_usu(usu) {}

    void reiniciar() { m_intentos = 0; }
    int intentos() const { return m_intentos; }

    // One attempt: the typed user becomes the current operator with an empty password; on
    // success the password is set too. The third failure gives Bloqueado. An unknown user,
    // or a C_CLAVE that does not unscramble to printable text, is a wrong password.
    Resultado ingresar(const QString &login, const QString &clave);

private:
    dbase::Table &m_usu;
    int m_intentos = 0;
};

// The password of login as stored; nullopt-like empty + false when the user is absent or
// the stored value is unreadable. Leaves usu on the user's row when found.
bool claveEsperada(dbase::Table &usu, const QString &login, QString *clave);

// The checks of a password change, in order; the message of the first that fails, or an
// empty text.
QString validarCambioClave(const QString &actualTipeada, const QString &nueva, const QString &confirmacion);

// Stores nueva, protected, as login's password; false when the user is not in the table.
// Throws DatabaseError when the write fails.
bool grabarClave(dbase::Table &usu, const QString &login, const QString &nueva);

// Clears the password of the user on the current row (the password becomes the user name).
void limpiarClave(dbase::Table &usu);

} // namespace qal
