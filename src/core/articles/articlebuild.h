#pragma once

#include <QList>
#include <QString>

#include <functional>

class AppContext;
class DataModule;

// The article code database "GenCodBD.s3db": the codes a handheld accepts, built from the
// shop's store database or from a text file of one code per line.
namespace ArticleBuild {

// The product families of the store database, in the order their codes are listed.
struct Families {
    bool media = false;
    bool papet = false;
    bool video = false;
    bool disque = false;
    bool divers = false;
    bool livre = false;
    bool allProducts = false; // no family filter at all
    bool any() const { return media || papet || video || disque || divers || livre; }
};
// The family codes in their order: MEDIA, PAPET, VIDEO, DISQU, DIVER, LIVRE.
const QStringList &familyCodes();
// Families from codes or captions ("LIVRE", "livre", "MULTIMEDIA", "DISQU", ...); false with
// the unknown name in unknown when one is not a family.
bool parseFamilies(const QStringList &names, Families &families, QString *unknown);

// 'VIDEO', 'LIVRE' for the checked families (written to the log even without a filter).
QString familyList(const Families &families);
// "WHERE CODE_PRODUIT IN (...)", or empty for all products.
QString familyFilter(const Families &families);
// The statements run on the store database.
QString countStatement(const Families &families);
QString codeStatement(const Families &families);

// The article code database of a program folder.
QString databasePath(const AppContext &context);

struct Request {
    enum class Source { Store, TextFile } source = Source::Store;
    QString storeDatabase; // connection string of the store database
    QString shopCode;      // only written to the log
    QString textFile;
    Families families;
};

// A code that cannot be a valid article code; it is in the database all the same.
struct Suspicious {
    qint64 row = 0; // 1-based, in insertion order
    QString code;
    QString reasonKey; // language-file key of the reason
};
// The reason's key for code, or empty when nothing is wrong with it: empty, longer than 13
// characters, 13 digits with a wrong EAN-13 check digit, an ISBN-10 with a wrong check
// character.
QString suspicion(const QString &code);

struct Outcome {
    enum class End {
        Built,
        NoFamily, // store source without a family: nothing touched
        NoSource, // store source without a database: nothing touched
        Failed,   // error says why; the previous database is as it was
    };
    End end = End::Failed;
    qint64 expected = 0; // N: the count query's value, or the text file's lines
    qint64 inserted = 0;
    QList<Suspicious> suspicious;
    QString error;
};

// Called now and then with the rows inserted so far (after start with the maximum).
struct Progress {
    std::function<void(qint64 maximum)> start;
    std::function<void(qint64 done)> step;
    std::function<void()> end;
};

// Builds the database into a temporary file of the program folder and puts it in place of
// the previous one only when everything went in; logs the start and the end.
Outcome build(const AppContext &context, DataModule &data, const Request &request,
              const Progress &progress = {});

// The message shown at the end of a build: N, then the suspicious codes' count when any.
QString finishedMessage(const AppContext &context, const Outcome &outcome);

// One line per suspicious code: the row, the code and the reason, tab-separated.
QByteArray report(const AppContext &context, const Outcome &outcome);

} // namespace ArticleBuild
