#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QTextFormat>

class QTextDocument;
class QTextCharFormat;
class QTextImageFormat;

// What an RTF document puts into the editor's text besides characters, and
// how the layout and the writer find it again. The reader (RtfReader) makes
// these, the writer (RtfWriter) writes them back, the layout draws them.
//
// Pictures the editor can show (PNG, JPEG) are QTextImageFormat characters
// (U+FFFC with objectType() == QTextFormat::ImageObject):
//   - name(): "rtfpict:<40 hex digits>", the SHA-1 of the picture's bytes, so
//     the same picture pasted twice is kept once;
//   - width(), height(): the size it is shown at, in pixels of 1/96 inch
//     (from \picwgoal/\pichgoal and \picscalex/\picscaley), always set;
//   - the bytes, exactly as the file held them (PNG or JPEG, never decoded at
//     load), are the document's resource of that name:
//         document->resource(QTextDocument::ImageResource, QUrl(name))
//     gives a QByteArray. pictureBytes() and decodePicture() below do that;
//     decode only what is shown, at the size it is shown. Qt's own layout
//     (QTextDocument::print, a clone) finds the same resource and decodes it.
//   - PictureRtf: the picture's RTF group without its data, written back
//     with the bytes.
//
// Everything else the editor cannot show but must keep (footnotes,
// annotations, embedded objects, pictures in formats it cannot draw such as
// Windows metafiles, bookmarks, drawing shapes, fields without a result,
// hidden text) is a marker: one U+FFFC character whose QTextCharFormat has
// objectType() == MarkerObjectType and the properties below. The writer
// writes MarkerRtf verbatim where the character stands; deleting the
// character deletes the element; copying it (RTF of a selection) carries it.
// The reader also sets the format's toolTip() to markerToolTip(), which
// QTextEdit shows under the pointer once the layout gives the marker a size.
//
// Hidden text (\v) is not shown: each run of it is a Hidden marker with the
// run's formats, whose MarkerRtf is the run as a group of its own
// ("{\v text}"), so a field's hidden result stays the field's and hidden.
// Any other element read in hidden text is kept with a "{\v ...}" group
// around what was read, a picture among them as a Picture marker.
namespace RtfObjects {

inline const QString PictureScheme = QStringLiteral("rtfpict");

// QTextFormat::objectType() of a marker character.
constexpr int MarkerObjectType = QTextFormat::UserObject + 0x52;

// What a marker stands for (the MarkerKind property).
enum class MarkerKind : int {
    Other = 0,
    Footnote = 1,    // \footnote (also endnotes): MarkerText is its text
    Annotation = 2,  // \annotation with its \atnid, \atnauthor: MarkerText is its text
    Object = 3,      // \object (OLE and the like): MarkerText is its class
    Picture = 4,     // \pict the editor cannot draw: MarkerWidth/Height is its size
    Bookmark = 5,    // \bkmkstart / \bkmkend: MarkerText is the bookmark's name
    Shape = 6,       // \shp, \shpgrp, \do: drawing objects and floating frames
    Field = 7,       // a \field with no result text: MarkerText is its instruction
    Hidden = 8,      // a run of hidden text (\v): MarkerText is the text
};

// Properties, on a marker's or a picture's character format. Values from
// QTextFormat::UserProperty + 0x5200 on are this program's.
enum Property : int {
    MarkerKindProperty = QTextFormat::UserProperty + 0x5200,  // int (MarkerKind)
    MarkerRtf,             // QByteArray: the RTF group(s), exactly as read
    MarkerWidth,           // qreal: size to draw, pixels of 1/96 inch; 0 when it has none
    MarkerHeight,          // qreal
    MarkerText,            // QString: what a tooltip on the marker shows; may be empty
    PictureRtf,            // QByteArray: a shown picture's \pict group without its data
    FieldInstruction,      // QByteArray: on the result text of a field other than a plain
                           // hyperlink, the \fldinst group as read
    ListOverride,          // int, on a QTextListFormat: the \ls of the document's own list
                           // table it came from (the writer refers to it again)
    ListLevel,             // int, on a QTextListFormat: its \ilvl in that list
};

// The size a marker is drawn at when it has none of its own (footnotes,
// bookmarks...): a small box, in pixels of 1/96 inch.
inline constexpr QSizeF DefaultMarkerSize{12, 12};

bool isMarker(const QTextFormat& format);
MarkerKind markerKind(const QTextFormat& format);
// The marker's own size, or DefaultMarkerSize when it has none.
QSizeF markerSize(const QTextFormat& format);
// What a tooltip over the marker says, in Russian: the kind and its text
// ("Сноска: ..."); empty for a format that is not a marker.
QString markerToolTip(const QTextFormat& format);

// The picture characters the reader makes have this scheme in their name.
bool isKeptPicture(const QTextImageFormat& format);
// The kept bytes of a picture character (PNG or JPEG as read); empty when
// the document has none under its name.
QByteArray pictureBytes(const QTextDocument* document, const QTextImageFormat& format);
// Decodes the picture scaled to size (pixels of the device drawn on); a null
// image when it cannot be decoded. Big JPEGs are scaled while decoding.
QImage decodePicture(const QByteArray& bytes, const QSize& size);

} // namespace RtfObjects
