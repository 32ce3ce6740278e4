#pragma once

#include "DbfFile.h"
#include "FieldDescriptor.h"
#include "TagSpec.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace qal::dbase {

class Journal;
class MdxCursor;
class MdxFile;
class MemoFile;

struct TableLocateOptions
{
    bool caseInsensitive = false;
};

// A cursor over one dBASE table (.DBF with its .DBT memo file and .MDX production index),
// the way the program's data module uses its table objects.
//
// Opening and walking:
//     Table ped;
//     ped.open("PED.DBF");                       // relative to the program folder, any case
//     ped.setIndexField("C_PED");                // order by the tag whose key is C_PED
//     for (ped.first(); !ped.eof(); ped.next())
//         use(ped.value("X_APE1"));
//     if (ped.findKey(1234)) ...                 // exact key on the active index
//
// Editing (each post or delete is one all-or-nothing write of the DBF, DBT and MDX,
// finished before it returns):
//     ped.edit();  ped.setValue("X_APE1", "PÉREZ");  ped.post();
//     ped.append(); ...; ped.post();             // or cancel()
//     ped.deleteRecord();
//
// States: Inactive (closed), Browse, Edit, Insert. Moving while in Edit or Insert posts the
// record when a field was set, and cancels it otherwise. close() drops unposted changes.
//
// Events run in the order a record's life gives them:
//   insert/append: beforeInsert, (state Insert, blank record) onNewRecord, onCalcFields,
//                  afterInsert, afterScroll
//   edit:          beforeEdit, (state Edit, record re-read) afterEdit
//   setValue:      onFieldChange(field), onCalcFields
//   post:          beforePost, (written) afterPost
//   cancel:        beforeCancel, (record restored) afterCancel (and afterScroll after an insert)
//   delete:        beforeDelete, (flagged deleted) afterDelete, afterScroll
//   any move:      onCalcFields (for each record read, when calculated fields are declared),
//                  afterScroll
// A before-event (or onNewRecord) that throws — Abort to abandon silently, DatabaseError or
// anything else to report — abandons the action: nothing is written, the state stays what
// it was before the call (a refused post stays in Edit/Insert with the values set), and the
// exception reaches the caller.
//
// Values (see FieldValue.h): C QString (blank = null), N/F qlonglong or double, D QDate,
// L bool, M QString, B/G QByteArray; null is a null QVariant. Memo and blob fields hold no
// data when empty: "" and null both store a blank pointer and read back as null.
//
// Visible records: live ones (deleted records are skipped everywhere), that satisfy the
// filter callback and, with a detail link, whose link field equals the master's.
//
// Every failure throws DatabaseError with a Spanish text.
class Table
{
public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum class Mode { Shared, Exclusive };
    enum class Notification { Opened, Closed, Scrolled, StateChanged, FieldChanged, Destroyed };

    using Event = std::function<void(Table &)>;
    using FieldEvent = std::function<void(Table &, const QString &field)>;
    using Filter = std::function<bool(const Table &)>;
    // field: for FieldChanged, the stored or calculated field that was set; empty otherwise.
    using Listener = std::function<void(Table &, Notification, const QString &field)>;
    using Bookmark = std::uint32_t; // the physical record number; 0 is no record

    using LocateOptions = TableLocateOptions;

    Table();
    explicit Table(const QString &fileName);
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    // ---- opening
    // Creates a new table (replacing any file of that name): the DBF, a DBT when a field is
    // M/B/G (dBASE IV kind, 512-byte blocks) and, with tags, its production index.
    static void create(const QString &fileName, const FieldList &fields, const QList<TagSpec> &tags = {},
                       const DbfFile::CreateOptions &options = {});

    void setFileName(const QString &fileName);
    const QString &fileName() const;
    // Resolves the file name in the program folder (ignoring case), rolls back the journal
    // of a write group a killed process left unfinished, opens the DBF, its DBT and, when
    // header byte 28 says there is one, its production index (missing or damaged: error).
    // Reads only the headers: the cursor goes to the first record when it is first used
    // (any read, move or edit; a seek goes straight to its record). An exclusive open fails while anyone else has the table open,
    // in this or another process, and the reverse.
    void open(Mode mode = Mode::Shared);
    void open(const QString &fileName, Mode mode = Mode::Shared);
    void close();
    bool isOpen() const;
    bool isExclusive() const;
    // What the open table's header and file disagree on (see DbfFile::damage); empty when
    // sound. A damaged table is read only: every write throws a DatabaseError saying why.
    QString damage() const;
    QString path() const;
    // The open table's records as stored, for reads that need no cursor (searches, lists).
    const DbfFile &dbfFile() const;
    State state() const;

    // ---- fields
    const FieldList &fields() const;
    int fieldIndex(const QString &name) const;
    // Any field the cursor knows: stored, calculated or look-up.
    bool hasField(const QString &name) const;
    const FieldDescriptor &field(const QString &name) const;
    // Declared width (the first size unit) of a stored field.
    int fieldWidth(const QString &name) const;
    // A calculated field: onCalcFields sets it with setValue for every record read.
    void addCalculatedField(const QString &name);
    // A look-up field: resultField of the first record of lookupTable whose lookupKeyField
    // equals this table's keyField. The look-up table must be open when the value is read.
    void addLookupField(const QString &name, const QString &keyField, Table *lookupTable,
                        const QString &lookupKeyField, const QString &resultField);

    // ---- order and seeking
    // The active index is the production-index tag whose key is that field; "" returns to
    // the file's order. Moves to the first record.
    void setIndexField(const QString &field);
    const QString &indexField() const;
    bool hasProductionIndex() const;
    MdxFile *productionIndex() const;
    // Moves to the first visible record whose active-index key equals key exactly; false,
    // without moving, when there is none.
    bool findKey(const QVariant &key);
    // Moves to the first visible record (in the active order) whose field equals value.
    // Text compares without its trailing spaces. False, without moving, when there is none.
    bool locate(const QString &field, const QVariant &value, LocateOptions options = {});
    // resultField of the first live record whose field equals value, without moving this
    // cursor (filter and detail link do not apply). Null when there is none.
    QVariant lookup(const QString &field, const QVariant &value, const QString &resultField,
                    LocateOptions options = {}) const;

    // ---- visible set
    // A record is visible when filter(table) is true, the table positioned on it. Setting a
    // filter (or none) moves to the first record.
    void setFilter(Filter filter);
    // Shows only the records whose detailField equals the master's masterField, following
    // the master as it moves; a record inserted takes the master's value. A null master
    // removes the link.
    void setMasterLink(Table *master, const QString &masterField, const QString &detailField);

    // ---- walking, in active-index order
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;
    bool bof() const;
    bool isEmpty() const;
    // Physical number (1-based) of the current record; 0 when there is none.
    std::uint32_t recordNumber() const;
    // Visible records.
    int recordCount();
    // Records in the file, deleted ones included (the header's count).
    std::uint32_t physicalRecordCount() const;
    Bookmark bookmark() const;
    void gotoBookmark(Bookmark bookmark);
    // Re-reads the header (records appended by others) and the current record.
    void refresh();

    // ---- values of the current record
    QVariant value(const QString &field) const;
    bool isNull(const QString &field) const;
    // Checks the type and the width; calculated fields only from onCalcFields; stored fields
    // only in Edit or Insert.
    void setValue(const QString &field, const QVariant &value);
    void clearValue(const QString &field);
    bool modified() const;
    // The current record's bytes as stored (deleted flag first).
    const QByteArray &rawRecord() const;
    // Blob fields whole to and from a file (in Edit or Insert for loading).
    void loadBlobFromFile(const QString &field, const QString &filePath);
    void saveBlobToFile(const QString &field, const QString &filePath) const;

    // ---- editing
    void insert();
    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord();

    // Problems of the production index against the records (MdxFile::check), in Spanish,
    // one per entry; empty when it is sound or there is none.
    QStringList checkIndex() const;

    // ---- maintenance (exclusive open)
    // Drops the deleted records: the DBF, the DBT and the index are written anew beside the
    // old ones and renamed over them; the index is regenerated.
    void pack();
    void regenerateIndexes();
    // Makes a new production index with these tags (replacing any) and flags the DBF.
    void createIndex(const QList<TagSpec> &tags);
    // Widens or narrows one C/N/F field keeping every record (a value that would not fit
    // fails the whole change); other fields, deleted flags and memo data stay as they are.
    void changeFieldWidth(const QString &field, int newWidth, int newDecimals = -1);
    // Adds a C, N, F, D or L field at the end of every record, blank.
    void addField(const FieldDescriptor &field);
    // Several changes of structure in one rewrite of the table: C/N/F fields take new widths
    // (as changeFieldWidth), then fields are added at the end of every record (as addField;
    // a logical field named in falseFields starts false instead of blank).
    struct Restructure
    {
        QList<QPair<QString, int>> widths; // field, new width
        FieldList added;
        QStringList falseFields;
        bool isEmpty() const;
    };
    void restructure(const Restructure &changes);

    // ---- events
    Event beforeInsert, afterInsert, beforeEdit, afterEdit, beforePost, afterPost, beforeCancel, afterCancel,
        beforeDelete, afterDelete, onNewRecord, onCalcFields, afterScroll;
    FieldEvent onFieldChange;
    // Maintenance rewrites (pack, restructure, index regeneration) report how many records
    // they have read, of the table's total, after each large piece: a progress window follows.
    std::function<void(std::uint32_t done, std::uint32_t total)> onMaintenanceProgress;

    // Notifications for data-aware controls and detail tables; a FieldChanged names the
    // field set (as the table spells it), so a control can tell whether it is its own.
    // Returns an id for removal.
    int addListener(Listener listener);
    void removeListener(int id);

private:
    struct Extra
    {
        QString name;
        bool lookup = false;
        QString keyField;
        Table *lookupTable = nullptr;
        QString lookupKeyField;
        QString resultField;
    };

    void requireOpen() const;
    void requireWritable() const;
    // Positions on the first record when nothing has positioned the cursor since open.
    void settle() const;
    void requireExclusive(const QString &message) const;
    void openFiles();
    void closeFiles();
    QString siblingPath(const QString &extension) const;
    void finishPendingRenames() const;

    // positioning
    bool loadCandidate(std::uint32_t recno);
    void reloadCurrent();
    void setEmpty();
    void arrive(std::uint32_t recno);
    bool moveFrom(bool forward, bool fromEnd);
    bool passesLink() const;
    std::optional<QByteArray> rangeKey() const;
    int activeTag() const;
    void syncCursor();
    // Makes sure the record's bytes up to end (from its start) are in m_record.
    void needRecordBytes(int end) const;
    void holdWholeRecord(QByteArray record);
    void checkBrowseMode();
    void calculate();
    void notify(Notification n, const QString &field = {});
    void masterChanged(Notification n);
    void fillLinkField();

    // writing
    void beginGroup();
    void commitGroup();
    void abandonGroup();
    void writePendingBlobs();
    QByteArray fieldBytes(int field) const;
    QVariant storedValue(int field) const;

    // maintenance
    struct Rewrite;
    QList<TagSpec> indexTags() const;
    // Builds the production index with these tags from the records and puts it in place of
    // the old one. With untilDeleted, gives up at the first deleted record, leaving
    // everything as it was, and returns false.
    bool writeProductionIndex(const QList<TagSpec> &tags, bool untilDeleted);
    void reportMaintenance(std::uint32_t done) const;
    // Writes the table anew with newHeader, each record through convert (an empty convert
    // keeps the records as they are), and renames the new files over the old ones.
    void rewrite(const FieldList &newFields, const QByteArray &newHeader, bool dropDeleted, bool copyMemos,
                 const std::function<QByteArray(const QByteArray &)> &convert);

    QString m_fileName;
    Mode m_mode = Mode::Shared;
    State m_state = State::Inactive;
    DbfFile m_dbf;
    std::unique_ptr<MemoFile> m_memo;
    std::unique_ptr<MdxFile> m_mdx;
    std::unique_ptr<Journal> m_journal;
    bool m_groupOpen = false;

    QString m_indexField;
    int m_tag = -1;
    std::unique_ptr<MdxCursor> m_cursor;
    std::vector<std::uint32_t> m_upcoming; // the records a walk in index order reads next
    bool m_cursorValid = false;

    std::uint32_t m_recno = 0;
    QByteArray m_record;
    // A walk in index order reads only the leading bytes of each record that the fields
    // read so far in the walk need (m_fieldsEnd): m_record then holds m_partialBytes bytes
    // of record m_partialRecno, and the rest is read when a field beyond is asked for.
    mutable int m_partialBytes = 0;
    mutable std::uint32_t m_partialRecno = 0;
    mutable int m_fieldsEnd = 0;
    QByteArray m_original;            // the record as read when Edit began
    std::uint32_t m_savedRecno = 0;   // where Insert came from
    mutable bool m_unsettled = false;
    bool m_moving = false; // inside moveFrom
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    std::map<int, QVariant> m_pendingBlobs; // memo/blob values set since Edit/Insert began

    QList<Extra> m_extras;
    QHash<QString, QVariant> m_calcValues; // by upper-case name
    bool m_inCalc = false;

    Filter m_filter;
    Table *m_master = nullptr;
    QString m_masterField;
    QString m_detailField;
    int m_masterListener = -1;

    std::map<int, Listener> m_listeners;
    int m_nextListener = 1;
};

} // namespace qal::dbase
