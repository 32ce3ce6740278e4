#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace qal {

// The files of requests in the program folder.
//
// Working files hold the images of the one request being edited until its next save:
// "edit.tif" (card), "edit.zip" (packed fingerprints), "docu.tif" (documents). "dedos.tif"
// is only looked at: its presence keeps the card blob of an old request in the record.
//
// Per-request files are named by a prefix, C_PED, "." and C_REG, numbers in decimal:
// h15.3 is the card of official request 15 of office 3. Official requests use h (card),
// z (fingerprint package), d (documents) and c (answer); personal ones hp, zp, dp and cp.
namespace archivos {
inline const QString editTif = QStringLiteral("edit.tif");
inline const QString editZip = QStringLiteral("edit.zip");
inline const QString docuTif = QStringLiteral("docu.tif");
inline const QString dedosTif = QStringLiteral("dedos.tif");
} // namespace archivos

// The name of a per-request file; empty while C_PED or C_REG is null.
QString ArchivoPedido(const QString &prefijo, const QVariant &cPed, const QVariant &cReg);

// Whether a file of the program folder exists (names match ignoring case); false for "".
bool ExisteArchivo(const QString &name);
// Deletes a file of the program folder when it exists; "" is nothing.
void BorrarArchivo(const QString &name);
void BorrarArchivos(const QStringList &names);
// Deletes "edit.tif", "edit.zip" and "docu.tif".
void BorrarArchivosTrabajo();

// Replaces the program-folder file target by a copy of source, all or nothing: the copy is
// written beside the target and renamed over it, so a failure leaves the target as it was.
// False when nothing was copied (missing source, empty target name, write failure).
bool ReemplazarArchivo(const QString &source, const QString &target);
// Writes data as the program-folder file target, all or nothing.
bool EscribirArchivo(const QString &target, const QByteArray &data);

} // namespace qal
