#pragma once

// Inside of OleDragDrop (platform/winapi and platform/forms .cpp files only): data objects as
// Qt MIME data and the other way round.

#include "platform/winapi/OleDragDrop.h"

#include <QMimeData>
#include <QPointer>

/// Our data object as MIME data: lists the MIME type of each format the
/// object offers and renders one when a reader asks. Holds a count of the
/// object while it lives.
class DataObjectMime : public QMimeData {
public:
    explicit DataObjectMime(IDataObject* Data);
    ~DataObjectMime() override;

    IDataObject* Source() const { return FData.Get(); }
    QStringList formats() const override;
    bool hasFormat(const QString& MimeType) const override;

protected:
    QVariant retrieveData(const QString& MimeType, QMetaType Type) const override;

private:
    InterfacePtr<IDataObject> FData;
};

/// A data object over MIME data from elsewhere (another program's drag or
/// clipboard): each format is rendered into a global memory block. Gives
/// nothing once the MIME data is gone, unless kept (KeepMimeData).
IDataObject* NewMimeDataObject(const QMimeData* Mime);
/// Makes such a view copy all its formats now; other objects stay as they are.
void KeepMimeData(IDataObject* Data);

/// The data object behind MIME data: ours when it is a DataObjectMime (the
/// same object, counted for the caller), else a new view of it.
IDataObject* DataObjectOf(const QMimeData* Mime);
