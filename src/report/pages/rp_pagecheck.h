#pragma once
// The check of a page read from a report file before anything draws it. A page is a recorded
// picture (QPicture's format); QPicture::play trusts its data: a count of list elements is
// reserved before the elements are read (a font record claiming four billion family names makes
// it ask for about 100 GB), a region's rectangle count drives a loop, an image is decoded. The
// check walks every command of the page with the layouts Qt writes, bounds every string, list and
// nested record by the command's own length, and accepts only the commands a recorded report
// page holds (no images, pixmaps or texture brushes: the report controls never draw them).
#include <QByteArray>
#include <QDataStream>
#include <QString>

namespace cotavia {

namespace rpdetail {

// Command codes of the picture format, and where its commands start.
enum : quint8 {
  kDrawEllipse = 7,
  kDrawPolyline = 12,
  kDrawPolygon = 13,
  kDrawTextItem = 21,
  kDrawPath = 25,
  kBegin = 30,
  kEnd = 31,
  kSave = 32,
  kRestore = 33,
  kSetBkColor = 40,
  kSetBkMode = 41,
  kSetBrushOrigin = 43,
  kSetFont = 45,
  kSetPen = 46,
  kSetBrush = 47,
  kSetWMatrix = 55,
  kSetClipRegion = 61,
  kSetClipPath = 62,
  kSetRenderHint = 63,
  kSetCompositionMode = 64,
  kSetClipEnabled = 65,
  kSetOpacity = 66,
};
constexpr qsizetype kFirstCommand = 32;  // tag, checksum, version, begin command, rectangle, count
// The newest format version whose command layouts the check and the replay follow (Qt 6.0 to 6.4
// record pages in it). A Qt recording a newer one may have changed how fonts, pens or brushes are
// written: compare its layouts with the check's readers, then raise this.
constexpr int kNewestKnownVersion = QDataStream::Qt_6_0;

// QPicture's checksum of its data (the value of qChecksum, CRC-16 ISO 3309), eight bytes a step.
quint16 rpPictureChecksum(const char* data, qsizetype len);

// What QPicture itself checks of a page's bytes before it plays them: the tag and begin command,
// the checksum of everything after it, and a format version this Qt reads (texts carry their own
// font from version 9 on).
enum class PictureHeader { Sound, NotAPicture, BadChecksum, UnknownVersion };
PictureHeader rpPictureHeader(const char* data, qsizetype size, int* version);

// One command of a page: its code, where its data starts and how long the data claims to be.
struct PictureCommand {
  quint8 code;
  qint64 at, len;
};
// Reads the command starting at `pos`; false when the bytes end inside its code and length.
// The data may still claim more bytes than there are (at + len > size): the caller decides.
bool rpPictureCommand(const char* data, qsizetype size, qint64 pos, PictureCommand& command);

}  // namespace rpdetail

// Empty when the page (the picture's bytes, starting at "QPIC") can be drawn safely; otherwise
// what is wrong, such as "command 12 (set font) is damaged".
QString rpCheckPicture(const char* data, qsizetype size);

}  // namespace cotavia
