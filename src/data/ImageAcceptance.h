#pragma once

#include <QString>

#include <memory>

namespace qal {

// The acceptance checks of card and document images, as the record rules use them before a
// request is saved. The image services implement them; the program installs that
// implementation on the data module at start. Each check shows its own message when it
// refuses an image.
class ImageAcceptance
{
public:
    virtual ~ImageAcceptance() = default;
    virtual bool CheckCardImage(const QString &file) = 0;
    virtual bool CheckDocumentImage(const QString &file) = 0;
};

// Stands in until the image services are installed: any image is refused with a database
// error, so that a program that forgot the installation never stores an unchecked image.
class MissingImageAcceptance final : public ImageAcceptance
{
public:
    bool CheckCardImage(const QString &file) override;
    bool CheckDocumentImage(const QString &file) override;
};

} // namespace qal
