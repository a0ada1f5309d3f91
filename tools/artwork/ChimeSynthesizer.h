#pragma once

#include <QByteArray>
#include <QStringList>

// The alert sounds "1.wav" .. "6.wav" (the "alertsound" setting; 0 is silence): short
// chimes made of struck-bell tones, each a few notes of a pentatonic scale, written as
// 16-bit PCM mono WAV at 44.1 kHz. Computed from nothing but the numbers below, so the
// same build writes the same bytes.
namespace fetemark::artwork {

inline constexpr int ChimeSampleRate = 44100;

// "1.wav" .. "6.wav".
QStringList soundFileNames();

// The WAV file of one of soundFileNames(); empty for any other name.
QByteArray chimeWav(const QString& fileName);

} // namespace fetemark::artwork
