#pragma once

#include "data/ImageAcceptance.h"
#include "imaging/ImageProperties.h"

#include <QString>

#include <optional>

namespace qal {

// The rules a fingerprint card image and a document image must meet before a request
// carrying them is saved or sent. Each rule that fails replaces the message, so the
// operator sees the last failing one.

// The message for a card with these properties; empty when it passes.
QString cardImageMessage(const ImageProperties &props);
// The message for a document with these properties; empty when it passes.
QString documentImageMessage(const ImageProperties &props);

// The outcome of checking a file: nullopt when the file is missing or cannot be read
// (refused without a message), otherwise the message (empty when accepted).
std::optional<QString> cardImageProblem(const QString &file);
std::optional<QString> documentImageProblem(const QString &file);

// The checks as the forms call them: a refused image shows its message in a box
// captioned "Error" through the Dialogs service; a missing file is refused silently.
bool CheckCardImage(const QString &file);
bool CheckDocumentImage(const QString &file);

// These checks as the record rules of the data module use them (installed at start).
class ImageRulesAcceptance final : public ImageAcceptance
{
public:
    bool CheckCardImage(const QString &file) override { return qal::CheckCardImage(file); }
    bool CheckDocumentImage(const QString &file) override { return qal::CheckDocumentImage(file); }
};

} // namespace qal
