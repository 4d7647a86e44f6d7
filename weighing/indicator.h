#pragma once
// How the weight indicator's data becomes the live-weight text, one rule
// per machine type. Pure functions: the main screen's receive handlers feed
// them and write the result into the live-weight label.
#include <QByteArray>
#include <QString>
#include <optional>

namespace indicator {

// "Normal": the first 10 received bytes as ANSI characters.
QString normalFrame(const QByteArray &input);

// The leading number of a reading with the "00000" mask.
QString maskedWeight(const QString &data);

// "New": decimal digits picked from the received text's bytes, read as a
// number, XORed with the indicator's mask 7E19 (hexadecimal). Values whose
// hexadecimal text has four digits with the top bit set are read unsigned,
// so a reading never turns negative.
QString newTypeWeight(const QString &input);

// "Digital": characters 2 to 8 of the received text, as an absolute number;
// nothing for a text shorter than 8 characters.
std::optional<QString> digitalWeight(const QString &input);

// The receive-box parser: nothing for 6 characters or fewer; for machine
// type 2 ("D2+") the 6 characters that end one before the end; otherwise the
// 2 characters that end one before the end followed by the last 3.
std::optional<QString> receiveBoxWeight(const QString &box, const QString &machineType);

// The receive box keeps at most this much: past 16000 characters the first
// 4096 are dropped; in USB mode it is cleared past 100.
constexpr int BoxTrimAbove = 16000;
constexpr int BoxTrimDrop = 4096;
constexpr int UsbClearAbove = 100;

} // namespace indicator
