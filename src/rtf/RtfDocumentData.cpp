#include "RtfDocumentData.h"

#include <QTextDocument>

RtfDocumentData::RtfDocumentData(QTextDocument* document)
    : QObject(document)
{
}

RtfDocumentData* RtfDocumentData::of(const QTextDocument* document)
{
    return document ? document->findChild<RtfDocumentData*>(QString(), Qt::FindDirectChildrenOnly)
                    : nullptr;
}

RtfDocumentData* RtfDocumentData::reset(QTextDocument* document)
{
    remove(document);
    return document ? new RtfDocumentData(document) : nullptr;
}

void RtfDocumentData::remove(QTextDocument* document)
{
    delete of(document);
}
