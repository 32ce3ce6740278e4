#pragma once

#include <QDate>
#include <QImage>
#include <QString>

namespace qal::reports {

class Canvas;

// The office's heading: the logo at the top left and, beside it, the ministry and the
// records office. centred puts the two lines in the middle of the page (the letter).
// Returns the height it used, in millimetres.
double DrawHeading(Canvas &canvas, bool centred);

// "Buenos Aires, dd/MM/yyyy" at the top right, as the answer and rejection sheets date
// themselves.
void DrawPlaceAndDate(Canvas &canvas, const QDate &date);

// The wording of the heading.
inline const QString kHeadingMinistry = QStringLiteral("MINISTERIO DE JUSTICIA");
inline const QString kHeadingOffice = QStringLiteral("REGISTRO NACIONAL DE ANTECEDENTES PENALES");

// The logo of the documents.
const QImage &LogoDocumentos();

// dd "de" month "de" yyyy, month in full in Spanish ("09 de diciembre de 2026").
QString FechaLarga(const QDate &date);
// dd/MM/yyyy, "" for a null date.
QString FechaCorta(const QDate &date);

} // namespace qal::reports
