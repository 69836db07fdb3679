#include "RegisterGenerator.h"

#include "RegisterFile.h"
#include "Transaction.h"

#include <QRandomGenerator>
#include <QStringList>

namespace {

const QStringList States = {"BW", "BY", "BE", "BB", "HB", "HH", "HE", "MV",
                            "NI", "NW", "RP", "SL", "SN", "ST", "SH", "TH"};

const QStringList Districts = {"Oberfranken", "Mittelfranken", "Unterfranken", "Oberpfalz", "Niederbayern",
                               "Oberbayern",  "Schwaben",      "Münster",      "Köln",      "Düsseldorf",
                               "Detmold",     "Arnsberg",      "Tübingen",     "Freiburg",  "Karlsruhe",
                               "Stuttgart",   "Gießen",        "Kassel",       "Darmstadt", "Lüneburg"};

const QStringList CityStems = {
    "Bamberg",   "Bayreuth",  "Berlin",     "Bergheim",   "Bremen",    "Coburg",     "Dinkelsbühl", "Düsseldorf",
    "Erding",    "Einbeck",   "Forchheim",  "Freising",   "Fürth",     "Görlitz",    "Gößweinstein", "Hof",
    "Ingolstadt", "Jever",    "Kulmbach",   "Köln",       "Kloster Andechs", "Lich", "L'Aquila-Siedlung", "Lübeck",
    "Mönchengladbach", "München", "Nürnberg", "Öhringen", "Ölbronn",   "Passau",     "Pößneck",     "Regensburg",
    "Rothenburg ob der Tauber", "Straßberg", "Strasburg", "Tegernsee", "Ulm", "Übersee", "Vilshofen", "Weißenohe",
    "Würzburg",  "Xanten",    "Zwickau",    "Zwiesel",    "Aalen",     "Äpfelbach",  "Apolda",      "Alpirsbach",
    "d'Orsay",   "Eichstätt", "Schäßburg",  "Zeil am Main"};

const QStringList CitySuffixes = {"", "", "", "", " Nord", " Süd", "-Ost", "-West", " am See", " (Opf.)"};

const QStringList NameStems = {"Brauerei", "Schlossbrauerei", "Klosterbrauerei", "Bürgerbräu", "Brauhaus",
                               "Löwenbräu", "Hofbräu", "Bräustüberl", "Aktienbrauerei", "Dampfbierbrauerei"};

const QStringList Families = {"Müller", "Schmitt", "Weißbauer", "Hößl", "Krug", "Mahr", "Spezial", "Fäßla",
                              "Greif", "Keesmann", "O'Brien", "Zehendner", "Knoblach", "Rittmayer", "Ölschläger"};

QString pick(QRandomGenerator &gen, const QStringList &list)
{
    return list.at(int(gen.bounded(list.size())));
}

// Roughly one value in fifty is Null, as in registers kept by hand.
QVariant maybeNull(QRandomGenerator &gen, const QString &value)
{
    return gen.bounded(50) == 0 ? QVariant() : QVariant(value);
}

} // namespace

GeneratedRegister GenerateRegister(const QString &path, int breweries, quint32 seed)
{
    QRandomGenerator gen(seed);
    auto file = RegisterFile::open(path);
    GeneratedRegister made;

    Transaction tx(*file);
    Statement brewery(*file, "INSERT INTO Brewery (StateName, CountyName, PostalCode, CityName, IdCode, "
                             "BreweryName, StartYear, StopYear) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    Statement chronik(*file, "INSERT INTO BreweryChronik (BreweryNameLong, IdCode, BreweryName, StartYear, "
                             "StopYear, ParentRowId) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    for (int i = 0; i < breweries; ++i) {
        const QString state = pick(gen, States);
        const QString postal = QStringLiteral("%1").arg(gen.bounded(1000, 99999), 5, 10, QLatin1Char('0'));
        const QString city = pick(gen, CityStems) + pick(gen, CitySuffixes)
            + (gen.bounded(4) == 0 ? QStringLiteral(" %1").arg(gen.bounded(1, 40)) : QString());
        const QString family = pick(gen, Families);
        const QString name = pick(gen, NameStems) + QLatin1Char(' ') + family;
        const int start = int(gen.bounded(1350, 2015));
        const bool closed = gen.bounded(3) != 0;
        const int stop = closed ? int(gen.bounded(start, 2024)) : 0;
        const QString id = QStringLiteral("%1%2-%3").arg(state, postal).arg(i % 100, 2, 10, QLatin1Char('0'));

        brewery.reset();
        brewery.bind(1, maybeNull(gen, state));
        brewery.bind(2, maybeNull(gen, pick(gen, Districts)));
        brewery.bind(3, maybeNull(gen, postal));
        brewery.bind(4, maybeNull(gen, city));
        brewery.bind(5, maybeNull(gen, id));
        brewery.bind(6, maybeNull(gen, name));
        brewery.bind(7, maybeNull(gen, QString::number(start)));
        brewery.bind(8, closed ? maybeNull(gen, QString::number(stop)) : QVariant());
        brewery.run();
        const qint64 rowId = file->lastInsertRowId();
        ++made.breweries;

        const int entries = int(gen.bounded(9));
        int from = start;
        for (int e = 0; e < entries; ++e) {
            const int to = from + int(gen.bounded(1, 40));
            chronik.reset();
            chronik.bind(1, maybeNull(gen, name + QStringLiteral(" & Söhne ") + pick(gen, Families)));
            chronik.bind(2, maybeNull(gen, QStringLiteral("%1-%2").arg(id).arg(entries - e)));
            chronik.bind(3, maybeNull(gen, pick(gen, NameStems) + QLatin1Char(' ') + pick(gen, Families)));
            chronik.bind(4, maybeNull(gen, QString::number(from)));
            chronik.bind(5, maybeNull(gen, QString::number(to)));
            chronik.bind(6, rowId);
            chronik.run();
            ++made.chroniks;
            from = to;
        }
    }
    tx.commit();
    return made;
}
