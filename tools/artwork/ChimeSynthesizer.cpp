#include "ChimeSynthesizer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace fetemark::artwork {
namespace {

// One overtone of a struck tone: frequency as a multiple of the note's, loudness, and
// how long it rings (seconds to fall to 1/e).
struct Partial {
    double ratio;
    double amplitude;
    double decay;
};

// A soft bell: mostly the fundamental, a little octave and twelfth.
const std::vector<Partial> SoftBell {{1.0, 1.0, 0.45}, {2.0, 0.35, 0.22}, {3.0, 0.12, 0.12}};
// A tubular chime bar: the inharmonic overtones that make metal sound like metal.
const std::vector<Partial> ChimeBar {
    {1.0, 1.0, 0.55}, {2.76, 0.42, 0.25}, {5.40, 0.18, 0.12}, {8.93, 0.06, 0.06}};
// A glass: bright and short.
const std::vector<Partial> Glass {{1.0, 1.0, 0.30}, {2.32, 0.50, 0.18}, {4.25, 0.22, 0.08}};

struct Note {
    double start;     // seconds
    double frequency; // Hz
    double loudness;
};

struct Chime {
    double length; // seconds
    const std::vector<Partial>* timbre;
    std::vector<Note> notes;
};

// Notes of C major pentatonic (equal temperament, A4 = 440 Hz).
constexpr double C5 = 523.25, E5 = 659.26, G5 = 783.99, A5 = 880.00;
constexpr double C6 = 1046.50, D6 = 1174.66, E6 = 1318.51, G6 = 1567.98;

const std::vector<Chime>& chimes()
{
    static const std::vector<Chime> all {
        {0.9, &SoftBell, {{0.0, C6, 1.0}}},                  // a single bell
        {1.1, &SoftBell, {{0.0, E5, 0.9}, {0.22, A5, 1.0}}}, // rising pair
        {1.2, &ChimeBar, {{0.0, G5, 1.0}, {0.30, C5, 0.9}}}, // doorbell
        {1.2, &SoftBell, {{0.0, C5, 0.8}, {0.13, E5, 0.85}, {0.26, G5, 0.9}, {0.39, C6, 1.0}}},
        {1.0, &Glass, {{0.0, A5, 1.0}, {0.09, A5, 0.6}}}, // a tapped glass
        {1.3, &ChimeBar, {{0.0, G6, 0.8}, {0.11, E6, 0.85}, {0.22, D6, 0.9}, {0.33, G5, 1.0}}},
    };
    return all;
}

constexpr double AttackSeconds = 0.004; // a strike, without the click of a step
constexpr double FadeSeconds = 0.06;    // the end reaches silence smoothly
constexpr double Peak = 0.5;            // -6 dBFS: noticeable, never harsh

std::vector<double> render(const Chime& chime)
{
    const auto count = static_cast<std::size_t>(chime.length * ChimeSampleRate);
    std::vector<double> samples(count, 0.0);
    for (const Note& note : chime.notes) {
        const auto first = static_cast<std::size_t>(note.start * ChimeSampleRate);
        for (std::size_t i = first; i < count; ++i) {
            const double t = double(i - first) / ChimeSampleRate;
            const double attack = std::min(1.0, t / AttackSeconds);
            double value = 0;
            for (const Partial& p : *chime.timbre)
                value += p.amplitude * std::exp(-t / p.decay) *
                    std::sin(2 * std::numbers::pi * note.frequency * p.ratio * t);
            samples[i] += note.loudness * attack * value;
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const double left = double(count - 1 - i) / ChimeSampleRate;
        if (left < FadeSeconds)
            samples[i] *= left / FadeSeconds;
    }
    return samples;
}

void appendLittleEndian(QByteArray& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char((value >> (8 * i)) & 0xff));
}

QByteArray wav(const std::vector<double>& samples)
{
    double loudest = 0;
    for (const double s : samples)
        loudest = std::max(loudest, std::abs(s));
    const double scale = loudest > 0 ? Peak * 32767 / loudest : 0;
    const auto dataSize = std::uint32_t(samples.size() * 2);
    QByteArray bytes("RIFF");
    appendLittleEndian(bytes, 36 + dataSize, 4);
    bytes.append("WAVEfmt ");
    appendLittleEndian(bytes, 16, 4);                  // format chunk size
    appendLittleEndian(bytes, 1, 2);                   // PCM
    appendLittleEndian(bytes, 1, 2);                   // mono
    appendLittleEndian(bytes, ChimeSampleRate, 4);     // frames per second
    appendLittleEndian(bytes, ChimeSampleRate * 2, 4); // bytes per second
    appendLittleEndian(bytes, 2, 2);                   // bytes per frame
    appendLittleEndian(bytes, 16, 2);                  // bits per sample
    bytes.append("data");
    appendLittleEndian(bytes, dataSize, 4);
    for (const double s : samples)
        appendLittleEndian(bytes, std::uint16_t(std::int16_t(std::lround(s * scale))), 2);
    return bytes;
}

} // namespace

QStringList soundFileNames()
{
    QStringList names;
    for (std::size_t i = 1; i <= chimes().size(); ++i)
        names << QStringLiteral("%1.wav").arg(i);
    return names;
}

QByteArray chimeWav(const QString& fileName)
{
    const qsizetype index = soundFileNames().indexOf(fileName);
    return index < 0 ? QByteArray() : wav(render(chimes()[std::size_t(index)]));
}

} // namespace fetemark::artwork
