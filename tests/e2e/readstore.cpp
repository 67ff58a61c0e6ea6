// Reads the program's store the way the program does (through QSettings), for the shell tests:
//   readstore FILE get GROUP KEY        the value, UTF-8, no newline; exit 1 when absent
//   readstore FILE keys GROUP           the group's keys, one a line
//   readstore FILE field GROUP KEY N    field N of the note record (fields end at U+00FF)
#include <QCoreApplication>
#include <QSettings>
#include <QStringList>
#include <cstdio>

static int print(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return 0;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 4)
        return 2;
    QSettings store(a[1], QSettings::IniFormat);
    const QString cmd = a[2];
    store.beginGroup(a[3]);
    if (cmd == QLatin1String("keys") && a.size() == 4)
        return print(store.childKeys().join(QLatin1Char('\n')) + QLatin1Char('\n'));
    if (a.size() < 5 || !store.contains(a[4]))
        return 1;
    const QString value = store.value(a[4]).toString();
    if (cmd == QLatin1String("get"))
        return print(value);
    if (cmd == QLatin1String("field") && a.size() == 6) {
        const QStringList fields = value.split(QChar(0xFF));
        const int n = a[5].toInt();
        return n < fields.size() - 1 ? print(fields[n]) : 1;
    }
    return 2;
}
