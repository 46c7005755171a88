#pragma once

#include <QByteArrayView>
#include <QString>

// A line's text: its bytes, which are valid UTF-8, decoded, a byte order mark at the start kept.
QString decodeLine(QByteArrayView line);
