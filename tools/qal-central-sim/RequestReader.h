#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A request envelope as a small tree of elements.
struct Element
{
    QString ns;
    QString name;
    QString text; // character data directly inside
    QList<Element> children;
    const Element *child(const QString &childName) const;
};

// Reads an XML document into a tree; false with the reason when it is not well-formed, declares
// a document type, or nests deeper than 32 elements.
bool readDocument(const QByteArray &bytes, Element &root, QString &problem);
