#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace qal::test {

// The central office's messages as they arrive in the office's mailbox, for injection into
// the mail rig: raw RFC 5322 text with base64 attachments.
struct Adjunto
{
    QString nombre;
    QByteArray datos;
    QByteArray tipo = "application/octet-stream";
};

struct MensajesCentral
{
    // "resp.dat": [DATA] with the keys given; an empty value leaves the key out.
    struct Resp
    {
        qlonglong c_ped = 0, c_reg = 0, n_expe = 0;
        QString c_est, x_obs, n_cert, c_rechazo, c_res;
    };
    static QByteArray respDat(const Resp &r);

    // A multipart/mixed message with a short text body and the attachments.
    static QByteArray mensaje(const QString &asunto, const QList<Adjunto> &adjuntos, const QString &messageId = {});
    // A message that is itself one attachment (application/octet-stream).
    static QByteArray unaParte(const QString &asunto, const QString &nombre, const QByteArray &datos);

    static QByteArray confirmacion(qlonglong ped, qlonglong reg, qlonglong expe);
    static QByteArray contestacion(const QString &asunto, qlonglong ped, qlonglong reg, qlonglong expe,
                                   const QByteArray &tif);
    static QByteArray rechazo(const QString &asunto, qlonglong ped, qlonglong reg, qlonglong expe,
                              const QString &motivo);
    static QByteArray estados(const QByteArray &oficiales, const QByteArray &personales);
    static QByteArray desconocido(const QString &asunto);
};

} // namespace qal::test
