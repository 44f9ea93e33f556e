#pragma once

#include "core/dump/countdatabase.h"

#include <QString>
#include <QStringList>

#include <functional>

class AppContext;
class DataModule;
class UserInteraction;

// The dump of a handheld: what the dump window (and korvello-cli dump) does, with no window.
namespace Dump {

inline const QString kNumeric = QStringLiteral("Numérique");

// The window around the dump: the device watch and the upload button.
struct Hooks {
    std::function<void()> watchOff;
    std::function<void()> watchOn;
    std::function<void()> startUpload;
};

struct Activation {
    enum class State {
        NoHandheld,       // not connected: nothing pulled
        SeveralHandhelds, // the tool refuses to choose: nothing pulled
        NoTable,          // no count database, or one without "GCD"
        EmptyTable,       // "GCD" holds no line: told to the user and logged
        Zones,
    };
    State state = State::NoHandheld;
    QList<CountDatabase::ZoneQuantity> zones;
    QString problem; // NoTable: why, for the user
};

// The dump window's activation: the dump mode defaults to numeric until read; with a
// handheld, the working copy is refreshed, the zones are listed, and the first time the
// dump mode is read from the handheld's "Param.txt".
Activation activate(AppContext &context, DataModule &data, UserInteraction &ui,
                    const QString &adbPath);

struct Outcome {
    enum class End {
        NothingToDo, // no handheld, several handhelds, or no zone listed
        Cancelled,   // at an already-dumped question: nothing deleted, nothing pushed
        Completed,
    };
    End end = End::NothingToDo;
    QStringList written; // count files written, in order
};

// "Vidage": the numeric dump when the dump mode is "Numérique", else the alphanumeric one.
// Every question is asked before anything is written; the count files and sector rows are
// written under a journal (see DumpJournal) and the handheld is given a fresh copy of its
// database without exactly the dumped lines. Raises KorvelloError when another dump or
// upload runs on the program folder, a line or zone cannot make a count file, a file cannot
// be written, the sector database fails, or the handheld cannot be read or written; nothing
// is then changed and the handheld keeps every line (a push whose outcome cannot be told is
// settled by the next start of either program).
// listed, when given, is the zone summary of the working copy as the activation just read
// it, with nothing pulled since: the dump then does not read it again.
Outcome run(AppContext &context, DataModule &data, UserInteraction &ui, const QString &adbPath,
            const Hooks &hooks, const QList<CountDatabase::ZoneQuantity> *listed = nullptr);
// "Quitter": folders made sure of, working copy closed, temporary folder removed.
void quit(AppContext &context, DataModule &data);

// Why a text cannot be a plain file name in the count folder, or empty when it can.
QString fileNameProblem(const AppContext &context, const QString &name);

} // namespace Dump
