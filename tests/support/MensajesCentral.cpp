#include "support/MensajesCentral.h"

#include <QAtomicInt>
#include <QDateTime>

namespace qal::test {

namespace {

QByteArray base64Lines(const QByteArray &data)
{
    const QByteArray b64 = data.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b64.size(); i += 76)
        out += b64.mid(i, 76) + "\r\n";
    return out;
}

QByteArray header(const QString &asunto, const QString &messageId)
{
    static QAtomicInt counter;
    const QString id = messageId.isEmpty()
                           ? QStringLiteral("<central.%1.%2@qal.test>")
                                 .arg(QDateTime::currentMSecsSinceEpoch())
                                 .arg(counter.fetchAndAddRelaxed(1))
                           : messageId;
    return "From: QAL Central <central@qal.test>\r\n"
           "To: regional@qal.test\r\n"
           "Subject: " + asunto.toUtf8() + "\r\n"
           "Date: Wed, 09 Dec 2026 10:00:00 -0300\r\n"
           "Message-ID: " + id.toUtf8() + "\r\n"
           "MIME-Version: 1.0\r\n";
}

} // namespace

QByteArray MensajesCentral::respDat(const Resp &r)
{
    QByteArray text = "[DATA]\r\n";
    const auto put = [&text](const char *key, const QString &value) {
        if (!value.isEmpty())
            text += QByteArray(key) + '=' + value.toLatin1() + "\r\n";
    };
    put("c_ped", r.c_ped ? QString::number(r.c_ped) : QString());
    put("c_reg", r.c_reg ? QString::number(r.c_reg) : QString());
    put("n_expe", r.n_expe ? QString::number(r.n_expe) : QString());
    put("c_est", r.c_est);
    put("x_obs", r.x_obs);
    put("n_cert", r.n_cert);
    put("c_rechazo", r.c_rechazo);
    put("c_res", r.c_res);
    return text;
}

QByteArray MensajesCentral::mensaje(const QString &asunto, const QList<Adjunto> &adjuntos, const QString &messageId)
{
    const QByteArray boundary = "=_qal_central_boundary";
    QByteArray m = header(asunto, messageId);
    m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    m += "--" + boundary + "\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nQAL Central\r\n";
    for (const Adjunto &a : adjuntos) {
        m += "--" + boundary + "\r\n";
        m += "Content-Type: " + a.tipo + "; name=\"" + a.nombre.toUtf8() + "\"\r\n";
        m += "Content-Transfer-Encoding: base64\r\n";
        m += "Content-Disposition: attachment; filename=\"" + a.nombre.toUtf8() + "\"\r\n\r\n";
        m += base64Lines(a.datos);
    }
    m += "--" + boundary + "--\r\n";
    return m;
}

QByteArray MensajesCentral::unaParte(const QString &asunto, const QString &nombre, const QByteArray &datos)
{
    QByteArray m = header(asunto, {});
    m += "Content-Type: application/octet-stream; name=\"" + nombre.toUtf8() + "\"\r\n";
    m += "Content-Transfer-Encoding: base64\r\n";
    m += "Content-Disposition: attachment; filename=\"" + nombre.toUtf8() + "\"\r\n\r\n";
    m += base64Lines(datos);
    return m;
}

QByteArray MensajesCentral::confirmacion(qlonglong ped, qlonglong reg, qlonglong expe)
{
    Resp r;
    r.c_ped = ped;
    r.c_reg = reg;
    r.n_expe = expe;
    r.c_est = QStringLiteral("T");
    return mensaje(QStringLiteral("CONFIRMO"), {{QStringLiteral("resp.dat"), respDat(r)}});
}

QByteArray MensajesCentral::contestacion(const QString &asunto, qlonglong ped, qlonglong reg, qlonglong expe,
                                         const QByteArray &tif)
{
    Resp r;
    r.c_ped = ped;
    r.c_reg = reg;
    r.n_expe = expe;
    r.c_est = QStringLiteral("C");
    return mensaje(asunto, {{QStringLiteral("resp.dat"), respDat(r)}, {QStringLiteral("resp.tif"), tif, "image/tiff"}});
}

QByteArray MensajesCentral::rechazo(const QString &asunto, qlonglong ped, qlonglong reg, qlonglong expe,
                                    const QString &motivo)
{
    Resp r;
    r.c_ped = ped;
    r.c_reg = reg;
    r.n_expe = expe;
    r.c_est = QStringLiteral("R");
    r.x_obs = motivo;
    return mensaje(asunto, {{QStringLiteral("resp.dat"), respDat(r)}});
}

QByteArray MensajesCentral::estados(const QByteArray &oficiales, const QByteArray &personales)
{
    QList<Adjunto> files;
    if (!oficiales.isNull())
        files.append({QStringLiteral("EstOfi.DAT"), oficiales});
    if (!personales.isNull())
        files.append({QStringLiteral("EstPriv.DAT"), personales});
    return mensaje(QStringLiteral("SETESTADO"), files);
}

QByteArray MensajesCentral::desconocido(const QString &asunto)
{
    QByteArray m = header(asunto, {});
    m += "Content-Type: text/plain; charset=us-ascii\r\n\r\nUn mensaje cualquiera.\r\n";
    return m;
}

} // namespace qal::test
