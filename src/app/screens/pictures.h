#pragma once
// The pictures that decorate the start screen and the proposal editor: JPEG files shipped with
// the program (compiled in as resources) and decoded with libjpeg.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace cotavia {

// Decodes JPEG bytes into an RGB image. Damaged or non-JPEG data give a null image (never a
// crash); the reason goes to *error when given.
QImage decodeJpeg(const QByteArray& bytes, QString* error = nullptr);

// The shipped pictures by name ("start_background", "start_logo", "editor_background",
// "editor_logo"). A missing or damaged picture gives a null image; screens then paint plain.
QImage picture(const QString& name);

}  // namespace cotavia
