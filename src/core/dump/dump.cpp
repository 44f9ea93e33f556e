#include "core/dump/dump.h"

#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/platform/appcontext.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/logfile.h"
#include "core/platform/userinteraction.h"
#include "core/sectors/sectorbook.h"
#include "core/sectors/sectordatabase.h"

#include <QDate>
#include <QDir>
#include <QRegularExpression>
#include <QSet>

#include <optional>

namespace Dump {

using CountDatabase::Lines;
using CountDatabase::ZoneQuantity;

namespace {

enum class Mode { Numeric, Alphanumeric };

struct Settings {
    QString countFolder;
    QString saveFolder;
    bool validatedOnly = false;
    bool autoUpload = false;
};

Settings readSettings(const AppContext &context, Mode mode) {
    const FolderDefaults defaults =
        mode == Mode::Numeric ? FolderDefaults::Fichiers : FolderDefaults::Files;
    const IniFile config = context.config();
    Settings s;
    s.countFolder = context.countFolder(defaults);
    s.validatedOnly = config.readString(QStringLiteral("CONF"), QStringLiteral("VIDAGE"),
                                        QStringLiteral("T")) == QLatin1String("V");
    s.saveFolder = context.saveFolder(defaults);
    s.autoUpload = config.readString(QStringLiteral("CONF"), QStringLiteral("TRANSAUTO"),
                                     QStringLiteral("V")) == QLatin1String("V");
    return s;
}

QString severalHandhelds(const AppContext &context) {
    return context.tr(QStringLiteral("FVidage_Plusieurs"));
}

// "%.5d": at least five digits, the sign in front (-5 gives -00005).
QString numericQuantity(qint64 q) {
    const QString digits = QStringLiteral("%1").arg(q < 0 ? -q : q, 5, 10, QLatin1Char('0'));
    return q < 0 ? QLatin1Char('-') + digits : digits;
}

// The decimal text with zeros put in front up to five characters (-5 gives 000-5).
QString paddedQuantity(qint64 q) {
    return QString::number(q).rightJustified(5, QLatin1Char('0'));
}

QByteArray countFileContent(const QString &zone, const CountDatabase::ZoneLines &lines,
                            QString (*format)(qint64)) {
    QString text;
    for (const CountDatabase::CountLine &line : lines.lines)
        text += zone + QLatin1Char(',') + line.code + QLatin1Char(',') + format(line.quantity) +
                QStringLiteral("\r\n");
    return Cp1252::encode(text);
}

// Writes the count file and its copy in the save folder, each whole or not at all.
void writeCountFile(const AppContext &context, const Settings &s, const QString &name,
                    const QByteArray &content) {
    QString error;
    if (!FileOps::writeDurably(s.countFolder + name, content, &error))
        throw KorvelloError(context.tr(QStringLiteral("Dump_FichierKo")).arg(error));
    if (!FileOps::writeDurably(s.saveFolder + name, content, &error))
        throw KorvelloError(context.tr(QStringLiteral("Dump_SauveKo")).arg(error));
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
    return context.tr(QStringLiteral("FVidage_zone")) + QLatin1Char('"') + zone +
           QStringLiteral("\" ") + context.tr(QStringLiteral("FVidage_DejaSaisie")) +
           QLatin1Char(' ') + context.tr(QStringLiteral("FVidage_DejaSaisie2")) +
           QStringLiteral("\r\r") + context.tr(QStringLiteral("FVidage_DejaSaisie3")) +
           QLatin1Char('\r');
}

QString reportText(const AppContext &context, const QString &report) {
    return QStringLiteral("* ") + context.tr(QStringLiteral("FVidage_Transok")) +
           QStringLiteral(" :\r") + report;
}

// The checks both dumps start with; false when there is nothing to do.
bool ready(AppContext &context, DataModule &data, UserInteraction &ui, QList<ZoneQuantity> &zones) {
    if (context.handheldState != HandheldState::Connected)
        return false;
    if (context.readyHandhelds > 1) {
        ui.notice(severalHandhelds(context));
        return false;
    }
    const QSqlDatabase db = data.sqlite();
    if (!db.isOpen() || !CountDatabase::tableExists(db))
        return false;
    zones = CountDatabase::zoneSummary(db, Lines::All);
    return !zones.isEmpty();
}

// Pushes the working copy back; the tool's own words when it refuses.
void pushBack(const AppContext &context, DataModule &data, UserInteraction &ui,
              const QString &adbPath, const QString &countFolder) {
    data.closeSqlite();
    const RunResult result = HiddenRunner::run(Bridge::pushCountDatabase(adbPath, countFolder));
    // A tool that did not even start has changed nothing on the handheld either.
    if (!result.started || !result.finished || result.exitCode != 0)
        ui.notice(context.tr(QStringLiteral("FVidage_PushKo")) + QLatin1Char('\r') +
                  QString::fromLocal8Bit(result.output).trimmed());
    CountDatabase::removeTempFolder(data, countFolder);
}

void finish(DataModule &data, UserInteraction &ui, const Settings &s) {
    ui.progressEnd();
    data.closeSqlite();
    const QString temp = CountDatabase::tempFolder(s.countFolder);
    QDir().mkpath(temp);
    QDir(temp).removeRecursively();
}

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

// The start both dumps share: nothing when there is nothing to do; else the watch is
// switched off and the settings and the zones to dump are read.
std::optional<std::pair<Settings, Plan>> begin(AppContext &context, DataModule &data,
                                               UserInteraction &ui, const Hooks &hooks, Mode mode) {
    QList<ZoneQuantity> all;
    if (!ready(context, data, ui, all))
        return std::nullopt;
    if (hooks.watchOff)
        hooks.watchOff();
    const Settings s = readSettings(context, mode);
    return std::pair{s, plan(data.sqlite(), s, std::move(all))};
}

// The already-dumped question; false (and the dump ends, the watch back on) unless Yes.
bool confirmRedump(const AppContext &context, UserInteraction &ui, const Hooks &hooks,
                   const QString &zone) {
    if (ui.alreadyDumped(alreadyDumpedText(context, zone),
                         context.tr(QStringLiteral("FVidage_Add"))) == UserInteraction::Answer::Yes)
        return true;
    ui.progressEnd();
    if (hooks.watchOn)
        hooks.watchOn();
    return false;
}

// Deletes the dumped lines from the working copy and tells what was written; with validated
// zones only, also what was left (missing: the list of those zones, already formatted).
void deleteAndReport(const AppContext &context, const QSqlDatabase &db, UserInteraction &ui,
                     const Settings &s, const QString &report, const QString &missing,
                     const QString &afterTransko) {
    if (!s.validatedOnly) {
        ui.notice(reportText(context, report));
        CountDatabase::deleteAllLines(db);
        return;
    }
    CountDatabase::deleteValidatedLines(db);
    if (missing.isEmpty())
        ui.notice(reportText(context, report));
    else
        ui.notice(reportText(context, report) + QStringLiteral("\r* ") +
                  context.tr(QStringLiteral("FVidage_Transko")) + afterTransko + QLatin1Char('\r') +
                  missing);
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
    if (!CountDatabase::refreshWorkingCopy(data, adbPath, countFolder)) {
        result.state = Activation::State::NoTable;
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
        if (const auto mode = CountDatabase::readDumpMode(adbPath, countFolder))
            context.dumpMode = *mode;
        context.dumpModeLabel = context.dumpMode;
    }
    return result;
}

Outcome run(AppContext &context, DataModule &data, UserInteraction &ui, const QString &adbPath,
            const Hooks &hooks) {
    if (context.dumpMode == kNumeric)
        return runNumeric(context, data, ui, adbPath, hooks);
    return runAlphanumeric(context, data, ui, adbPath, hooks);
}

Outcome runNumeric(AppContext &context, DataModule &data, UserInteraction &ui,
                   const QString &adbPath, const Hooks &hooks) {
    Outcome outcome;
    const auto start = begin(context, data, ui, hooks, Mode::Numeric);
    if (!start)
        return outcome;
    const auto &[s, p] = *start;
    const QSqlDatabase db = data.sqlite();

    // Every zone must be a sector digit followed by the zone number before anything is
    // written: a count file named after anything else could land outside the count folder.
    static const QRegularExpression numeric(QStringLiteral("^[0-9]{2,4}$"));
    for (const ZoneQuantity &zone : p.toDump)
        if (!numeric.match(zone.zone).hasMatch())
            throw KorvelloError(context.tr(QStringLiteral("Dump_ZoneNonNumerique")).arg(zone.zone));
    // A new workstation has no sector database yet. One that cannot be opened stops the dump
    // here, before a count file is written without its sector records.
    SectorDatabase::ensureOpen(data, context);
    if (!data.sectorDatabase().isOpen())
        throw KorvelloError(
            context.tr(QStringLiteral("Dump_BaseSecteursKo")).arg(SectorDatabase::path(context)));
    data.sectorTable()->detachBeforePost();
    data.sectorTable()->detachAfterPost();

    ui.progressStart(int(p.toDump.size()));
    if (p.toDump.isEmpty() && p.notValidated.isEmpty()) {
        finish(data, ui, s);
        outcome.end = Outcome::End::Completed;
        if (s.autoUpload && hooks.startUpload)
            hooks.startUpload();
        return outcome;
    }

    makeFolders(context, s);
    const QHash<QString, CountDatabase::ZoneLines> zones = CountDatabase::readZones(db);
    QStringList saved = saveFolderNames(s.saveFolder, false);
    QString report;
    for (const ZoneQuantity &entry : p.toDump) {
        const QString &z = entry.zone;
        ui.progressStep();
        const bool dumpedBefore = std::any_of(
            saved.cbegin(), saved.cend(), [&](const QString &name) { return name.contains(z); });
        if (dumpedBefore && !confirmRedump(context, ui, hooks, z)) {
            outcome.end = Outcome::End::Cancelled;
            return outcome;
        }
        const CountDatabase::ZoneLines lines = zones.value(z);
        if (lines.total != 0) {
            const QString name = QStringLiteral("Stk") + z + QStringLiteral(".txt");
            report += QStringLiteral("\r- ") + name;
            writeCountFile(context, s, name, countFileContent(z, lines, numericQuantity));
            saved << name;
            outcome.written << name;
        }
        SectorBook::recordZone(data, z, lines.total);
    }

    QString missing;
    for (const ZoneQuantity &zone : p.notValidated)
        missing += QStringLiteral("\r - Stk") + zone.zone + QStringLiteral(".txt");
    deleteAndReport(context, db, ui, s, report, missing, QStringLiteral(":"));
    pushBack(context, data, ui, adbPath, s.countFolder);
    finish(data, ui, s);
    outcome.end = Outcome::End::Completed;
    if (s.autoUpload && hooks.startUpload)
        hooks.startUpload();
    return outcome;
}

Outcome runAlphanumeric(AppContext &context, DataModule &data, UserInteraction &ui,
                        const QString &adbPath, const Hooks &hooks) {
    Outcome outcome;
    const auto start = begin(context, data, ui, hooks, Mode::Alphanumeric);
    if (!start)
        return outcome;
    const auto &[s, p] = *start;
    const QSqlDatabase db = data.sqlite();
    ui.progressStart(int(p.toDump.size()));

    auto end = [&](Outcome::End how) {
        finish(data, ui, s);
        if (hooks.watchOn)
            hooks.watchOn();
        outcome.end = how;
        if (s.autoUpload && hooks.startUpload)
            hooks.startUpload();
        return outcome;
    };
    if (p.toDump.isEmpty())
        return end(Outcome::End::Completed);

    const QHash<QString, CountDatabase::ZoneLines> zones = CountDatabase::readZones(db);
    auto startTime = [&](const QString &z) {
        const QString time = zones.value(z).startTime;
        return time.mid(0, 2) + time.mid(3, 2);
    };
    // Every name is checked before anything is written or deleted.
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    for (const ZoneQuantity &zone : p.toDump) {
        const QString name = zone.zone + paddedQuantity(zones.value(zone.zone).total) +
                             QLatin1Char('_') + today + startTime(zone.zone) +
                             QStringLiteral(".txt");
        const QString problem = fileNameProblem(context, name);
        if (!problem.isEmpty()) {
            ui.progressEnd();
            if (hooks.watchOn)
                hooks.watchOn();
            throw KorvelloError(
                context.tr(QStringLiteral("Dump_NomZoneKo")).arg(zone.zone, problem));
        }
    }

    makeFolders(context, s);
    QStringList saved = saveFolderNames(s.saveFolder, true);
    auto dumpedBefore = [&](const QString &z) {
        for (const QString &name : std::as_const(saved)) {
            const qsizetype p = name.indexOf(QLatin1Char('_')) + 1; // counted from 1
            if (p >= 7 && name.left(p - 6) == z)
                return true;
        }
        return false;
    };
    QString report;
    QString date;
    for (const ZoneQuantity &entry : p.toDump) {
        const QString &z = entry.zone;
        ui.progressStep();
        if (dumpedBefore(z) && !confirmRedump(context, ui, hooks, z)) {
            outcome.end = Outcome::End::Cancelled;
            return outcome;
        }
        const CountDatabase::ZoneLines lines = zones.value(z);
        date = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        const QString name = z + paddedQuantity(lines.total) + QLatin1Char('_') + date +
                             startTime(z) + QStringLiteral(".txt");
        report += QStringLiteral("\r- ") + name;
        writeCountFile(context, s, name, countFileContent(z, lines, paddedQuantity));
        saved << name;
        outcome.written << name;
    }

    QString missing;
    for (const ZoneQuantity &zone : p.notValidated)
        missing +=
            QStringLiteral("\r - ") + zone.zone + QLatin1Char('_') + date + QStringLiteral(".txt");
    deleteAndReport(context, db, ui, s, report, missing, QString());
    pushBack(context, data, ui, adbPath, s.countFolder);
    return end(Outcome::End::Completed);
}

void quit(AppContext &context, DataModule &data) {
    const QString countFolder = context.countFolder(FolderDefaults::Fichiers);
    const QString saveFolder = context.saveFolder(FolderDefaults::Fichiers);
    QDir().mkdir(countFolder);
    QDir().mkdir(saveFolder);
    data.closeSqlite();
    const QString temp = countFolder + QStringLiteral("Temp");
    QDir().mkpath(temp);
    QDir(temp).removeRecursively();
}

} // namespace Dump
