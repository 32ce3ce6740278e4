#pragma once

#include "data/ProgramFolderSetup.h"

#include <QString>

namespace qal {

// The blank ten-print card template and the amputation placeholder of the program folder.
inline constexpr const char *CardTemplateFile = "fmodelo.bemepe";
inline constexpr const char *AmputationFile = "amputado.bmp";

// Centres of the ten finger cells on the card template, x from the left edge and y from
// the bottom edge, for fingers 1..10.
struct CardCell
{
    int x;
    int y;
};
CardCell CardCellOf(int finger);

// Builds the printable card: the template with the images <prefix>1.bmp .. <prefix>10.bmp
// multiplied into their cells (white finger background leaves the card as it was), pixels
// outside the template skipped. Unreadable finger images are left off; without a readable
// template no card is written (false).
bool ComposeCard(const QString &prefix, const QString &output);

// Draw the installed images: the template (boxes and names of the ten fingers, at 500 ppi,
// large enough for every cell) and the amputation placeholder. Need a QGuiApplication.
bool WriteCardTemplate(const QString &path);
bool WriteAmputationPlaceholder(const QString &path);

// Both, as the files a new program folder is created with.
QList<FolderFile> CardFolderFiles();

} // namespace qal
