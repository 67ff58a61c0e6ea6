// The built-in alarm sounds must be small, playable 8-bit mono PCM clips.
#include <QFile>
#include <QtEndian>
#include <QtTest>

#include "platform/Platform.h"

class TestSounds : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { Platform::initResources(); }

  void wavFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("samples");
    QTest::newRow("BLIP") << "BLIP" << 11025 << 1246;
    QTest::newRow("BOOP") << "BOOP" << 11025 << 574;
    QTest::newRow("CLICK") << "CLICK" << 11025 << 121;
    QTest::newRow("PLANK") << "PLANK" << 11025 << 906;
    QTest::newRow("PNAM") << "PNAM" << 8000 << 3151;
    QTest::newRow("TALK") << "TALK" << 11025 << 2033;
    QTest::newRow("TIC") << "TIC" << 11025 << 3417;
    QTest::newRow("TYPE") << "TYPE" << 11025 << 1849;
  }

  void wavFormat() {
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, samples);

    QFile file(":/SOM/" + name);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QByteArray wav = file.readAll();
    QVERIFY(wav.size() >= 12);
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(wav.mid(8, 4), QByteArray("WAVE"));
    const auto *bytes = reinterpret_cast<const uchar *>(wav.constData());
    QVERIFY(qFromLittleEndian<quint32>(bytes + 4) + 8 <= quint32(wav.size()));

    // Walk the chunks rather than assuming the common 44-byte layout.
    QByteArray fmt, data;
    qsizetype pos = 12;
    while (pos + 8 <= wav.size()) {
      const QByteArray id = wav.mid(pos, 4);
      const quint32 size = qFromLittleEndian<quint32>(bytes + pos + 4);
      QVERIFY2(pos + 8 + qsizetype(size) <= wav.size(), id.constData());
      if (id == "fmt ")
        fmt = wav.mid(pos + 8, size);
      else if (id == "data")
        data = wav.mid(pos + 8, size);
      pos += 8 + size + (size & 1); // chunks are word aligned
    }
    QVERIFY(fmt.size() >= 16);
    const auto *f = reinterpret_cast<const uchar *>(fmt.constData());
    QCOMPARE(qFromLittleEndian<quint16>(f), quint16(1));      // PCM
    QCOMPARE(qFromLittleEndian<quint16>(f + 2), quint16(1));  // mono
    QCOMPARE(qFromLittleEndian<quint32>(f + 4), quint32(rate));
    QCOMPARE(qFromLittleEndian<quint16>(f + 14), quint16(8)); // bits per sample
    QCOMPARE(data.size(), qsizetype(samples));
    QVERIFY(samples < rate); // shorter than one second

    // 8-bit PCM is unsigned with 128 as silence; an alarm must be clearly audible.
    int peak = 0;
    for (char c : std::as_const(data))
      peak = qMax(peak, qAbs(int(uchar(c)) - 128));
    QVERIFY2(peak >= 40, qPrintable(QString("peak %1").arg(peak)));
  }
};

QTEST_GUILESS_MAIN(TestSounds)
#include "tst_sounds.moc"
