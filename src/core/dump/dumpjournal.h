#pragma once

#include "core/dump/countdatabase.h"

#include <QJsonObject>
#include <QList>
#include <QString>

class AppContext;
class DataModule;

// The journal of a dump, in the program folder: what a dump is about to change, written
// to disk before its first count file, so that a dump cut short (killed, unplugged, a
// failed push) can be undone or completed. Until the handheld has taken the database
// without the dumped lines, the lines are still there and the count files must not keep
// them; once it has, the count files and sector rows must stay.
namespace DumpJournal {

// A count file or save copy the dump appends to or creates: its length before the dump,
// -1 when it did not exist.
struct FileMark {
    QString path;
    qint64 length = -1;
};

struct Record {
    enum class State {
        Writing, // count files and sector rows being written; the handheld untouched
        Pushing, // all written; the handheld is being given the database without the lines
    };
    State state = State::Writing;
    QList<FileMark> files;
    bool hasSectors = false;
    QJsonObject sectors; // SectorBook::snapshot() taken before the dump
    CountDatabase::Lines lines = CountDatabase::Lines::All; // the lines dumped
    QString serial;                                         // the handheld dumped
    QString workFolder;                                     // where the dump pulled and pushed
};

// The journal's folder and the copy of the count database the dump read its lines from.
QString folder(const AppContext &context);
QString dumpedCopy(const AppContext &context);

bool pending(const AppContext &context);

// Writes the record to disk, with a copy of the count database at countDatabase; raises
// KorvelloError when it cannot (nothing is changed then).
void begin(const AppContext &context, const Record &record, const QString &countDatabase);
// Records a new state on disk; raises KorvelloError when it cannot.
void setState(const AppContext &context, Record &record, Record::State state);
// Puts every file back to its length before the dump (removing those it created) and the
// sector rows back as they were, then forgets the journal.
void rollBack(const AppContext &context, DataModule &data, const Record &record);
// The dump is complete: the journal is forgotten.
void finish(const AppContext &context);

enum class Recovery {
    Nothing,    // no journal
    RolledBack, // the dump was undone: the handheld still had the lines
    Completed,  // the handheld had taken the database without the lines: the dump stands
    Pending,    // the handheld that was dumped cannot be reached to tell; nothing changed
};
// What both programs do at start, and a dump or an upload before it begins: settles a dump
// left unfinished. A dump cut before the push is undone; one cut during or after the push is
// settled by looking at the handheld: when it still holds the dumped lines the dump is
// undone, else it is complete.
// The caller holds the operation lock (a journal is only ever settled by its own dump, or
// once that dump's process is gone).
Recovery recover(const AppContext &context, DataModule &data);
// At the start of a program: settles a dump left unfinished, unless another program holds
// the operation lock (its dump is under way, the journal is its own).
Recovery recoverAtStart(const AppContext &context, DataModule &data);

} // namespace DumpJournal
