#include "core/dump/dump.h"

#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/dump/crashpoints.h"
#include "core/dump/dumpjournal.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/logfile.h"
#include "core/platform/operationlock.h"
#include "core/platform/userinteraction.h"
#include "core/sectors/sectorbook.h"
#include "core/sectors/sectordatabase.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <optional>

namespace Dump {

using CountDatabase::Lines;
using CountDatabase::ZoneQuantity;

namespace {

enum class Mode { Numeric, Alphanumeric };

struct Settings {
    QString countFolder; // where the count files go
    QString saveFolder;
    QString workFolder; // whose temporary folder the dump pulls into and pushes from
    bool validatedOnly = false;
    bool autoUpload = false;
};

Settings readSettings(const AppContext &context, Mode mode) {
    const FolderDefaults defaults =
        mode == Mode::Numeric ? FolderDefaults::Fichiers : FolderDefaults::Files;
    const IniFile config = context.config();
    Settings s;
    s.countFolder = context.countFolder(defaults);
    s.saveFolder = context.saveFolder(defaults);
    // The dump window pulled the count database here; the push goes from the same place
    // whatever the mode's default count folder.
    s.workFolder = context.countFolder(FolderDefaults::Fichiers);
    s.validatedOnly = config.readString(QStringLiteral("CONF"), QStringLiteral("VIDAGE"),
                                        QStringLiteral("T")) == QLatin1String("V");
    s.autoUpload = config.readString(QStringLiteral("CONF"), QStringLiteral("TRANSAUTO"),
                                     QStringLiteral("V")) == QLatin1String("V");
    return s;
}

QString severalHandhelds(const AppContext &context) {
    return context.tr(QStringLiteral("FVidage_Plusieurs"));
}

// Appends the decimal text of q, its digits padded with zeros to at least `digits` and the
// sign put before or after the padding.
enum class Sign { BeforeZeros, AfterZeros };
void appendNumber(QByteArray &out, qint64 q, int digits, Sign sign) {
    char text[24];
    char *end = text + sizeof text;
    char *p = end;
    quint64 magnitude = q < 0 ? 0 - quint64(q) : quint64(q);
    do {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (q < 0 && sign == Sign::AfterZeros)
        *--p = '-';
    if (q < 0 && sign == Sign::BeforeZeros)
        out += '-';
    for (qsizetype length = end - p; length < digits; ++length)
        out += '0';
    out.append(p, end - p);
}

// "%.5d": at least five digits, the sign in front (-5 gives -00005).
void appendNumericQuantity(QByteArray &out, qint64 q) {
    appendNumber(out, q, 5, Sign::BeforeZeros);
}

// The decimal text with zeros put in front up to five characters (-5 gives 000-5).
void appendPaddedQuantity(QByteArray &out, qint64 q) {
    appendNumber(out, q, 5, Sign::AfterZeros);
}

QByteArray countFileContent(const QString &zone, const CountDatabase::ZoneLines &lines,
                            void (*appendQuantity)(QByteArray &, qint64)) {
    // Bytes put together line by line: the zone encoded once, no text of the whole file.
    const QByteArray prefix = Cp1252::encode(zone) + ',';
    QByteArray bytes;
    bytes.reserve(lines.codes.size() + lines.size() * (prefix.size() + 12));
    for (qsizetype line = 0; line < lines.size(); ++line) {
        bytes += prefix;
        bytes += lines.code(line);
        bytes += ',';
        appendQuantity(bytes, lines.quantities.at(line));
        bytes += "\r\n";
    }
    return bytes;
}

// Both folders must take files before the first one is written: a copy that silently fails
// would lose the record of a dumped zone.
void makeFolders(const AppContext &context, const Settings &s) {
    for (const QString &folder : {s.countFolder, s.saveFolder})
        if (!QDir().mkpath(folder))
            throw KorvelloError(context.tr(QStringLiteral("Dump_DossierKo")).arg(folder));
}

QStringList saveFolderNames(const QString &saveFolder, bool withHidden) {
    QDir::Filters filters = QDir::Files;
    if (withHidden)
        filters |= QDir::Hidden;
    return QDir(saveFolder).entryList(filters, QDir::Name);
}

QString alreadyDumpedText(const AppContext &context, const QString &zone) {
    // The language file's values lose their trailing blank when read: the one that parts
    // "La zone" from the quoted zone is put back.
    QString lead = context.tr(QStringLiteral("FVidage_zone"));
    if (!lead.isEmpty() && !lead.endsWith(QLatin1Char(' ')))
        lead += QLatin1Char(' ');
    return lead + QLatin1Char('"') + zone + QStringLiteral("\" ") +
           context.tr(QStringLiteral("FVidage_DejaSaisie")) + QLatin1Char(' ') +
           context.tr(QStringLiteral("FVidage_DejaSaisie2")) + QStringLiteral("\r\r") +
           context.tr(QStringLiteral("FVidage_DejaSaisie3")) + QLatin1Char('\r');
}

QString reportText(const AppContext &context, const QString &report) {
    return QStringLiteral("* ") + context.tr(QStringLiteral("FVidage_Transok")) +
           QStringLiteral(" :\r") + report;
}

// The checks every dump starts with; false when there is nothing to do.
bool ready(AppContext &context, DataModule &data, UserInteraction &ui, QList<ZoneQuantity> &zones,
           const QList<ZoneQuantity> *listed) {
    if (context.handheldState != HandheldState::Connected)
        return false;
    if (context.readyHandhelds > 1) {
        ui.notice(severalHandhelds(context));
        return false;
    }
    const QSqlDatabase db = data.sqlite();
    if (!db.isOpen() || !CountDatabase::tableExists(db))
        return false;
    zones = listed ? *listed : CountDatabase::zoneSummary(db, Lines::All);
    return !zones.isEmpty();
}

// The zones to dump and, with validated zones only, those left on the handheld.
struct Plan {
    QList<ZoneQuantity> toDump;
    QList<ZoneQuantity> notValidated;
};

Plan plan(const QSqlDatabase &db, const Settings &s, QList<ZoneQuantity> all) {
    Plan p;
    if (s.validatedOnly) {
        p.notValidated = CountDatabase::zoneSummary(db, Lines::NotValidated);
        p.toDump = CountDatabase::zoneSummary(db, Lines::Validated);
    } else {
        p.toDump = std::move(all);
    }
    return p;
}

// A dump after its checks: the files it writes, the sector rows it records, its report.
struct Work {
    QList<std::pair<QString, QByteArray>> files; // name, content
    QList<std::pair<QString, qint64>> sectorZones;
    QString report;
    QString notTransferred;
};

// Every zone must be a sector digit followed by the zone number before anything is written:
// a count file named after anything else could land outside the count folder.
Work numericWork(const AppContext &context, const Plan &p,
                 const QHash<QString, CountDatabase::ZoneLines> &zones) {
    static const QRegularExpression numeric(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{2,4}")));
    Work work;
    for (const ZoneQuantity &zone : p.toDump)
        if (!numeric.match(zone.zone).hasMatch())
            throw KorvelloError(context.tr(QStringLiteral("Dump_ZoneNonNumerique")).arg(zone.zone));
    for (const ZoneQuantity &entry : p.toDump) {
        const QString &z = entry.zone;
        const CountDatabase::ZoneLines lines = zones.value(z);
        if (lines.total != 0) {
            const QString name = QStringLiteral("Stk") + z + QStringLiteral(".txt");
            work.report += QStringLiteral("\r- ") + name;
            work.files.append({name, countFileContent(z, lines, appendNumericQuantity)});
        }
        work.sectorZones.append({z, lines.total});
    }
    for (const ZoneQuantity &zone : p.notValidated)
        work.notTransferred += QStringLiteral("\r - Stk") + zone.zone + QStringLiteral(".txt");
    return work;
}

// Every name is checked before anything is written or deleted.
Work alphanumericWork(const AppContext &context, const Plan &p,
                      const QHash<QString, CountDatabase::ZoneLines> &zones) {
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    Work work;
    for (const ZoneQuantity &entry : p.toDump) {
        const QString &z = entry.zone;
        const CountDatabase::ZoneLines lines = zones.value(z);
        const QString start = lines.startTime.mid(0, 2) + lines.startTime.mid(3, 2);
        QByteArray total;
        appendPaddedQuantity(total, lines.total);
        const QString name =
            z + QLatin1String(total) + QLatin1Char('_') + today + start + QStringLiteral(".txt");
        const QString problem = fileNameProblem(context, name);
        if (!problem.isEmpty())
            throw KorvelloError(context.tr(QStringLiteral("Dump_NomZoneKo")).arg(z, problem));
        work.report += QStringLiteral("\r- ") + name;
        work.files.append({name, countFileContent(z, lines, appendPaddedQuantity)});
    }
    for (const ZoneQuantity &zone : p.notValidated)
        work.notTransferred +=
            QStringLiteral("\r - ") + zone.zone + QLatin1Char('_') + today + QStringLiteral(".txt");
    return work;
}

// Whether a zone is in the save folder already: for numeric zones any file name holding the
// zone, for free-text zones a name whose part before the quantity and date is the zone.
bool dumpedBefore(Mode mode, const QStringList &saved, const QString &zone) {
    for (const QString &name : saved) {
        if (mode == Mode::Numeric) {
            if (name.contains(zone))
                return true;
            continue;
        }
        const qsizetype p = name.indexOf(QLatin1Char('_')) + 1; // counted from 1
        if (p >= 7 && name.left(p - 6) == zone)
            return true;
    }
    return false;
}

// The count files with the lines appended to what each file (or its save copy) already
// holds: a zone dumped again before an upload keeps the lines of both dumps. Each file's
// length now goes into the journal, which cuts it back should the dump be undone.
QList<FileOps::Append> appendedFiles(const Settings &s, const Work &work,
                                     QList<DumpJournal::FileMark> &marks) {
    // A save folder that is the count folder holds one file, not two copies of one.
    QStringList folders{s.countFolder};
    if (QFileInfo(s.saveFolder).absoluteFilePath() != QFileInfo(s.countFolder).absoluteFilePath())
        folders << s.saveFolder;
    // One listing a folder tells which files exist; only those are looked at.
    QList<QSet<QString>> present;
    for (const QString &folder : std::as_const(folders)) {
        const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        present.append(QSet<QString>(names.cbegin(), names.cend()));
    }
    QList<FileOps::Append> files;
    for (const auto &[name, content] : work.files) {
        for (qsizetype f = 0; f < folders.size(); ++f) {
            const QString path = joinPath(folders.at(f), name);
            const qint64 length = present.at(f).contains(name) ? QFileInfo(path).size() : -1;
            marks.append({path, length});
            files.append({path, content, length});
        }
    }
    return files;
}

// The serial number of the one handheld plugged in, as the journal keeps it.
QString handheldSerial(const QString &prefix) {
    QString listing;
    Bridge::detect(prefix, listing);
    return Bridge::readySerials(listing).value(0);
}

// The push did not go through: the handheld is looked at again to know what it holds.
void settleFailedPush(const AppContext &context, DataModule &data, const Settings &s,
                      DumpJournal::Record &record, const CountDatabase::Transfer &push) {
    const QString check =
        joinPath(CountDatabase::tempFolder(s.workFolder), QStringLiteral("Check"));
    const CountDatabase::Transfer pull = CountDatabase::pullFresh(context.toolsPrefix, check);
    if (!pull.ok)
        throw KorvelloError(context.tr(QStringLiteral("Dump_PushIncertain")) + QLatin1Char('\r') +
                            push.message);
    if (!CountDatabase::holdsDumpedLines(joinPath(check, QStringLiteral("Inventaire.s3db")),
                                         DumpJournal::dumpedCopy(context), record.lines)) {
        return; // the tool complained, yet the handheld has the new database
    }
    DumpJournal::rollBack(context, data, record);
    throw KorvelloError(context.tr(QStringLiteral("FVidage_PushKo")) + QLatin1Char('\r') +
                        push.message);
}

// Writes the count files and sector rows under the journal, then gives the handheld its
// database without the dumped lines. Lines counted on the handheld since the dump window
// pulled are kept: the database pushed is a fresh copy with exactly the dumped lines
// removed. Any failure before the push leaves the handheld, the count files and the sector
// rows as they were.
void commit(AppContext &context, DataModule &data, Mode mode, const Settings &s, const Work &work) {
    DumpJournal::Record record;
    record.lines = s.validatedOnly ? Lines::Validated : Lines::All;
    record.serial = handheldSerial(context.toolsPrefix);
    record.workFolder = s.workFolder;
    const QList<FileOps::Append> files = appendedFiles(s, work, record.files);
    if (mode == Mode::Numeric) {
        record.hasSectors = true;
        record.sectors = SectorBook::snapshot(data);
    }
    DumpJournal::begin(context, record, data.sqlite().databaseName());

    const auto undo = [&](const QString &why) {
        DumpJournal::rollBack(context, data, record);
        throw KorvelloError(why);
    };
    QString error;
    qsizetype touched = 0;
    if (!FileOps::appendAllDurably(files, &error, &touched, [](int n) {
            CrashPoints::reach("file:" + QByteArray::number(n));
        })) {
        // Only what this dump changed is undone: a file that turned up or changed meanwhile
        // is someone else's.
        record.files.resize(touched);
        undo(context.tr(QStringLiteral("Dump_FichierKo")).arg(error));
    }
    if (mode == Mode::Numeric) {
        try {
            SectorBook::recordZones(data, work.sectorZones);
        } catch (const KorvelloError &failure) {
            undo(failure.message());
        }
        CrashPoints::reach("sectors");
    }
    DumpJournal::setState(context, record, DumpJournal::Record::State::Pushing);
    CrashPoints::reach("before-push");

    const QString fresh = joinPath(CountDatabase::tempFolder(s.workFolder), QStringLiteral("Push"));
    const CountDatabase::Transfer pull = CountDatabase::pullFresh(context.toolsPrefix, fresh);
    if (!pull.ok)
        undo(context.tr(QStringLiteral("Dump_PullKo")) + QLatin1Char('\r') + pull.message);
    try {
        CountDatabase::removeDumpedLines(joinPath(fresh, QStringLiteral("Inventaire.s3db")),
                                         DumpJournal::dumpedCopy(context), record.lines);
    } catch (const KorvelloError &failure) {
        undo(failure.message());
    }
    const CountDatabase::Transfer push = CountDatabase::push(context.toolsPrefix, fresh);
    CrashPoints::reach("after-push");
    if (!push.ok)
        settleFailedPush(context, data, s, record, push);
    DumpJournal::finish(context);
}

// Closes the working copy and removes the temporary folder with what it holds.
void removeTemporaries(DataModule &data, const Settings &s) {
    data.closeSqlite();
    QDir(CountDatabase::tempFolder(s.workFolder)).removeRecursively();
}

} // namespace

QString fileNameProblem(const AppContext &context, const QString &name) {
    if (name.isEmpty())
        return context.tr(QStringLiteral("Dump_NomVide"));
    if (name == QLatin1String(".") || name.contains(QLatin1String("..")))
        return context.tr(QStringLiteral("Dump_NomPoints"));
    static const QString forbidden = QStringLiteral("/\\<>:\"|?*");
    for (QChar c : name) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return context.tr(QStringLiteral("Dump_NomControle"));
        if (forbidden.contains(c))
            return context.tr(QStringLiteral("Dump_NomCaractere")).arg(c);
    }
    if (name.endsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char('.')))
        return context.tr(QStringLiteral("Dump_NomFin"));
    return QString();
}

Activation activate(AppContext &context, DataModule &data, UserInteraction &ui,
                    const QString &adbPath) {
    Activation result;
    if (context.dumpModeLabel.isEmpty())
        context.dumpMode = kNumeric;
    const QString countFolder = context.countFolder(FolderDefaults::Fichiers);
    if (context.handheldState != HandheldState::Connected)
        return result;
    if (context.readyHandhelds > 1) {
        result.state = Activation::State::SeveralHandhelds;
        ui.notice(severalHandhelds(context));
        return result;
    }
    // A handheld not yet authorised next to the ready one: the tool would refuse to choose.
    if (context.unauthorisedHandhelds > 0) {
        result.state = Activation::State::NoTable;
        result.problem = context.tr(QStringLiteral("Dump_NonAutorise"));
        return result;
    }
    const CountDatabase::WorkingCopy copy =
        CountDatabase::loadWorkingCopy(data, adbPath, countFolder);
    if (!copy.ready) {
        result.state = Activation::State::NoTable;
        result.problem = copy.problem;
        return result;
    }
    result.zones = CountDatabase::zoneSummary(data.sqlite(), Lines::All);
    if (result.zones.isEmpty()) {
        result.state = Activation::State::EmptyTable;
        ui.notice(context.tr(QStringLiteral("FVidage_Pasfichier")));
        LogFile::append(context, context.tr(QStringLiteral("FVidage_PasZone")) +
                                     context.tr(QStringLiteral("FVidage_PasZone2")));
        return result;
    }
    result.state = Activation::State::Zones;
    if (context.dumpModeLabel.isEmpty()) {
        const CountDatabase::ParamFile param = CountDatabase::readParamFile(adbPath, countFolder);
        if (param.found && !param.readable)
            ui.notice(context.tr(QStringLiteral("Dump_ParamIllisible")));
        else if (param.found)
            context.dumpMode = param.mode;
        context.dumpModeLabel = context.dumpMode;
    }
    return result;
}

namespace {

// The dump under the operation lock; true when it ran to its end, with the settings it read.
bool dumpLocked(AppContext &context, DataModule &data, UserInteraction &ui, const QString &adbPath,
                const Hooks &hooks, QList<ZoneQuantity> all, Outcome &outcome, Settings &settings) {
    const Mode mode = context.dumpMode == kNumeric ? Mode::Numeric : Mode::Alphanumeric;
    // The tools prefix the caller gives is the one every copy uses.
    const QString previousPrefix = context.toolsPrefix;
    context.toolsPrefix = adbPath;
    struct RestorePrefix {
        AppContext &context;
        QString prefix;
        ~RestorePrefix() { context.toolsPrefix = prefix; }
    } restorePrefix{context, previousPrefix};

    const OperationLock lock(context);
    if (!lock.held())
        throw KorvelloError(context.tr(QStringLiteral("Dump_Verrou")));
    if (DumpJournal::recover(context, data) == DumpJournal::Recovery::Pending)
        throw KorvelloError(context.tr(QStringLiteral("Dump_Inacheve")));

    if (hooks.watchOff)
        hooks.watchOff();
    settings = readSettings(context, mode);
    const Settings &s = settings;
    // However the dump ends, nothing is left in the temporary folder, the progress bar goes,
    // and the free-text dump gives the device watch back.
    struct Finish {
        DataModule &data;
        UserInteraction &ui;
        const Settings &s;
        std::function<void()> watchOn;
        ~Finish() {
            ui.progressEnd();
            removeTemporaries(data, s);
            if (watchOn)
                watchOn();
        }
    } finish{data, ui, s, mode == Mode::Alphanumeric ? hooks.watchOn : std::function<void()>()};

    const QSqlDatabase db = data.sqlite();
    const Plan p = plan(db, s, std::move(all));
    const QHash<QString, CountDatabase::ZoneLines> zones =
        CountDatabase::readZones(db, s.validatedOnly ? Lines::Validated : Lines::All);
    const Work work = mode == Mode::Numeric ? numericWork(context, p, zones)
                                            : alphanumericWork(context, p, zones);
    if (mode == Mode::Numeric) {
        // A new workstation has no sector database yet. One that cannot be opened stops the
        // dump here, before a count file is written without its sector records.
        SectorDatabase::ensureOpen(data, context);
        if (!data.sectorDatabase().isOpen())
            throw KorvelloError(context.tr(QStringLiteral("Dump_BaseSecteursKo"))
                                    .arg(SectorDatabase::path(context)));
        data.sectorTable()->detachBeforePost();
        data.sectorTable()->detachAfterPost();
    }

    // Every question is asked before anything is written, so that Cancel leaves everything as
    // it was: the handheld keeps every line and no count file holds any of them.
    const QStringList saved = saveFolderNames(s.saveFolder, mode == Mode::Alphanumeric);
    ui.progressStart(int(p.toDump.size()));
    for (const ZoneQuantity &zone : p.toDump) {
        if (!dumpedBefore(mode, saved, zone.zone))
            continue;
        if (ui.alreadyDumped(alreadyDumpedText(context, zone.zone),
                             context.tr(QStringLiteral("FVidage_Add"))) !=
            UserInteraction::Answer::Yes) {
            if (hooks.watchOn && mode == Mode::Numeric)
                hooks.watchOn();
            outcome.end = Outcome::End::Cancelled;
            return false;
        }
    }

    // Validated zones only, and none validated: the free-text dump has nothing to do.
    const bool nothing = p.toDump.isEmpty();
    if (!(nothing && (mode == Mode::Alphanumeric || p.notValidated.isEmpty()))) {
        makeFolders(context, s);
        for (qsizetype i = 0; i < p.toDump.size(); ++i)
            ui.progressStep();
        commit(context, data, mode, s, work);
        for (const auto &[name, content] : work.files)
            outcome.written << name;
        if (work.notTransferred.isEmpty())
            ui.notice(reportText(context, work.report));
        else
            ui.notice(reportText(context, work.report) + QStringLiteral("\r* ") +
                      context.tr(QStringLiteral("FVidage_Transko")) +
                      (mode == Mode::Numeric ? QStringLiteral(":") : QString()) +
                      QLatin1Char('\r') + work.notTransferred);
    }
    outcome.end = Outcome::End::Completed;
    return true;
}

} // namespace

Outcome run(AppContext &context, DataModule &data, UserInteraction &ui, const QString &adbPath,
            const Hooks &hooks, const QList<ZoneQuantity> *listed) {
    Outcome outcome;
    QList<ZoneQuantity> all;
    if (!ready(context, data, ui, all, listed))
        return outcome;
    Settings s;
    // The upload takes the lock in its turn.
    if (dumpLocked(context, data, ui, adbPath, hooks, std::move(all), outcome, s) && s.autoUpload &&
        hooks.startUpload)
        hooks.startUpload();
    return outcome;
}

void quit(AppContext &context, DataModule &data) {
    const QString countFolder = context.countFolder(FolderDefaults::Fichiers);
    const QString saveFolder = context.saveFolder(FolderDefaults::Fichiers);
    QDir().mkdir(countFolder);
    QDir().mkdir(saveFolder);
    data.closeSqlite();
    QDir(CountDatabase::tempFolder(countFolder)).removeRecursively();
}

} // namespace Dump
