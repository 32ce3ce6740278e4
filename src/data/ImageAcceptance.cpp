#include "data/ImageAcceptance.h"

#include "dbase/DatabaseError.h"

namespace qal {

namespace {

[[noreturn]] void refuse(const QString &file)
{
    throw dbase::DatabaseError(QStringLiteral("No se puede verificar la imagen \"%1\": la verificación de imágenes "
                                              "no está instalada.")
                                   .arg(file));
}

} // namespace

bool MissingImageAcceptance::CheckCardImage(const QString &file)
{
    refuse(file);
}

bool MissingImageAcceptance::CheckDocumentImage(const QString &file)
{
    refuse(file);
}

} // namespace qal
