// The alert sounds in resources/sounds must be exactly what tools/artwork synthesises;
// after changing a chime, run `fetemark_sounds` and commit the files it writes.
#include "artwork/ChimeSynthesizer.h"
#include "support/TestSupport.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <string>

namespace {

struct SoundRow {
    std::string name;
    QString file;
};

class ShippedSound : public ::testing::TestWithParam<SoundRow> { };

TEST_P(ShippedSound, IsWhatTheSynthesizerMakes)
{
    const QString file = GetParam().file;
    const QByteArray shipped =
        fetemark::test::readFile(QStringLiteral(FETEMARK_RESOURCE_SOUNDS "/") + file);
    const QByteArray made = fetemark::artwork::chimeWav(file);
    ASSERT_FALSE(shipped.isEmpty()) << "missing from resources/sounds";
    EXPECT_TRUE(shipped == made) << "bytes differ: run fetemark_sounds";

    // 16-bit PCM mono at 44.1 kHz, shorter than 1.5 s, ending in silence.
    ASSERT_GT(made.size(), 44);
    EXPECT_EQ(made.left(4), "RIFF");
    EXPECT_EQ(made.mid(8, 8), "WAVEfmt ");
    const auto* header = reinterpret_cast<const uchar*>(made.constData());
    EXPECT_EQ(qFromLittleEndian<quint16>(header + 20), 1);     // PCM
    EXPECT_EQ(qFromLittleEndian<quint16>(header + 22), 1);     // channels
    EXPECT_EQ(qFromLittleEndian<quint32>(header + 24), 44100); // rate
    EXPECT_EQ(qFromLittleEndian<quint16>(header + 34), 16);    // bits
    const quint32 dataSize = qFromLittleEndian<quint32>(header + 40);
    EXPECT_EQ(dataSize + 44, quint32(made.size()));
    EXPECT_LT(dataSize / 2, 1.5 * 44100);
    EXPECT_EQ(qFromLittleEndian<qint16>(header + made.size() - 2), 0);
}

TEST(AlertSounds, AreSixDifferentChimes)
{
    const QStringList files = fetemark::artwork::soundFileNames();
    ASSERT_EQ(files.size(), 6);
    for (qsizetype i = 0; i < files.size(); ++i) {
        for (qsizetype j = i + 1; j < files.size(); ++j)
            EXPECT_NE(fetemark::artwork::chimeWav(files[i]), fetemark::artwork::chimeWav(files[j]));
    }
}

std::vector<SoundRow> rows()
{
    std::vector<SoundRow> out;
    for (const QString& file : fetemark::artwork::soundFileNames())
        out.push_back({"Sound" + file.chopped(4).toStdString(), file});
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    AlertSounds, ShippedSound, ::testing::ValuesIn(rows()), fetemark::test::RowName());

} // namespace
