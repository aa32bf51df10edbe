#pragma once

#include "framework/data/field.h"
#include "framework/framework_export.h"
#include "protocol/data_packet.h"
#include "protocol/packet_fields.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace kpv::data {

class TDataSource;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit };

// What a data set tells its data sources.
enum class TDataEvent {
    deUpdateState,    // the state changed
    deDataSetChange,  // rows replaced, emptied or closed, or a refresh after EnableControls
    deDataSetScroll,  // the current record moved
    deRecordChange,   // the values of one record changed (row given)
};

using TDataSetNotifyEvent = std::function<void(TClientDataSet* DataSet)>;

// An in-memory data set with a fixed field list declared by code, stored column by column.
// Record numbers are 0-based. Rows come from data packets; the only local change is Edit/Post.
class KPV_FRAMEWORK_EXPORT TClientDataSet : public QObject {
    Q_OBJECT
  public:
    TClientDataSet(QObject* parent, const QString& name);
    ~TClientDataSet() override;

    // Fields are declared while the data set is inactive, in display order.
    TField* AddField(const QString& name, TFieldType type, int size = 0);
    // The fields of a packet a method returns, with their titles, visibility and whether required.
    void AddFields(std::span<const protocol::FieldDefinition> definitions);
    // Keeps the first `count` fields and drops the rest; only while inactive.
    void TruncateFields(int count);
    TField* FindField(const QString& name) const;
    // Raises kpv::Error when the data set has no such field.
    TField* FieldByName(const QString& name) const;
    const QList<TField*>& Fields() const { return fieldList_; }

    TDataSetState State() const { return state_; }
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void Open();
    void CreateDataSet() { Open(); }
    void Close();
    // "Data := packet": all rows replaced by the packet's, fields matched by name (a data set without
    // declared fields takes the packet's), the set opened and its first row current. The packet's columns
    // are shared, not copied, where their type is the field's. A declared field the packet lacks, or a
    // value that does not fit its field, raises kpv::Error and keeps the old rows.
    void LoadFromPacket(const protocol::DataPacket& packet);
    void EmptyDataSet();

    int RecordCount() const { return rowCount_; }
    int RecNo() const { return cursor_; }
    void SetRecNo(int recNo);
    void First();
    void Next();
    void Prior();
    void Last();
    // Moves by up to `distance` records; returns how many it moved.
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return rowCount_ == 0; }
    // Moves to the first record whose field value equals `text` (or starts with it when `partial`).
    bool Locate(const QString& fieldName, const QString& text, bool caseInsensitive, bool partial);

    // Writes `value` into `field` of every record `which` accepts, straight into the column: no cursor
    // move, no edit state, no AfterScroll; the controls hear one data-set change (none while they are
    // disabled). Nothing is written when `which` raises; a value that does not fit raises kpv::Error.
    void SetFieldWhere(TField* field, const QVariant& value, const std::function<bool(int recNo)>& which);

    void Edit();
    // Raises kpv::Error, staying in edit state, when a required field is empty.
    void Post();
    void Cancel();

    // Nested: notifications to data sources stop until the last EnableControls, which sends one
    // refresh (and the state change, when the state differs from that at the first DisableControls).
    // AfterScroll still runs meanwhile: it belongs to the data set, not to its controls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // Before a closed data set opens: Open, or a load into a closed set.
    TDataSetNotifyEvent BeforeOpen;
    TDataSetNotifyEvent AfterScroll;

    // Makes the fields read another record, without moving the cursor and without AfterScroll,
    // for as long as the guard lives (cell painting, lookups, searches).
    class PaintRecord {
      public:
        PaintRecord(const TClientDataSet* dataSet, int recNo);
        ~PaintRecord();
        PaintRecord(const PaintRecord&) = delete;
        PaintRecord& operator=(const PaintRecord&) = delete;

      private:
        const TClientDataSet* dataSet_;
        int previous_;
    };

    // The stored values and the record the fields read.
    const protocol::Column& Column(int fieldIndex) const { return columns_[static_cast<size_t>(fieldIndex)]; }
    int ReadingRecNo() const { return paintRow_ >= 0 ? paintRow_ : cursor_; }

  private:
    friend class TField;
    friend class TDataSource;

    void checkActive() const;
    void checkBrowseMode();
    void setState(TDataSetState state);
    void moveTo(int recNo, bool raiseScroll);
    void notify(TDataEvent event, int recNo = -1, TField* field = nullptr);
    void resetRows();

    // Field access for TField.
    bool editing(int fieldIndex) const;
    bool valueIsNull(int fieldIndex) const;
    QVariant value(int fieldIndex) const;
    void setValue(int fieldIndex, const QVariant& value);

    QList<TField*> fieldList_;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<protocol::Column> columns_;
    int rowCount_ = 0;
    int cursor_ = -1;
    mutable int paintRow_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    TDataSetState state_ = TDataSetState::dsInactive;

    // Edit buffer: the values changed since Edit, by field.
    std::vector<QVariant> editValues_;
    std::vector<bool> editChanged_;

    int disableCount_ = 0;
    TDataSetState stateAtDisable_ = TDataSetState::dsInactive;
    std::vector<TDataSource*> sources_;
};

}  // namespace kpv::data
