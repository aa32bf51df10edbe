#include "framework/data/client_data_set.h"

#include "framework/core/errors.h"
#include "framework/data/data_source.h"

#include <algorithm>

namespace kpv::data {

TClientDataSet::TClientDataSet(QObject* parent, const QString& name) : QObject(parent) {
    setObjectName(name);
}

TClientDataSet::~TClientDataSet() {
    for (TDataSource* source : std::vector<TDataSource*>(sources_)) source->SetDataSet(nullptr);
}

TField* TClientDataSet::AddField(const QString& name, TFieldType type, int size) {
    if (Active()) {
        throw Error(QStringLiteral("Não é possível incluir o campo '%1' com o conjunto de dados '%2' aberto.")
                        .arg(name, objectName()));
    }
    if (FindField(name)) {
        throw Error(QStringLiteral("O campo '%1' já existe em '%2'.").arg(name, objectName()));
    }
    const int index = static_cast<int>(fields_.size());
    fields_.push_back(std::make_unique<TField>(this, index, name, type, size));
    columns_.emplace_back(type);
    fieldList_.append(fields_.back().get());
    return fields_.back().get();
}

void TClientDataSet::AddFields(std::span<const protocol::FieldDefinition> definitions) {
    for (const protocol::FieldDefinition& d : definitions) {
        TField* field = AddField(QString::fromLatin1(d.name), d.type, d.size);
        if (d.label) field->DisplayLabel = QString::fromUtf8(d.label);
        field->Visible = d.visible;
        field->Required = d.required;
    }
}

void TClientDataSet::TruncateFields(int count) {
    if (Active()) {
        throw Error(QStringLiteral("Não é possível excluir campos com o conjunto de dados '%1' aberto.")
                        .arg(objectName()));
    }
    const auto keep = static_cast<size_t>(std::max(count, 0));
    if (keep >= fields_.size()) return;
    fieldList_.resize(static_cast<qsizetype>(keep));
    fields_.resize(keep);
    columns_.resize(keep);
}

TField* TClientDataSet::FindField(const QString& name) const {
    for (TField* field : fieldList_) {
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0) return field;
    }
    return nullptr;
}

TField* TClientDataSet::FieldByName(const QString& name) const {
    if (TField* field = FindField(name)) return field;
    throw Error(QStringLiteral("%1: campo '%2' não encontrado.").arg(objectName(), name));
}

void TClientDataSet::checkActive() const {
    if (!Active()) {
        throw Error(QStringLiteral("Operação não permitida: o conjunto de dados '%1' está fechado.")
                        .arg(objectName()));
    }
}

// Moving the cursor or replacing rows first posts a pending edit, as the grid's users expect.
void TClientDataSet::checkBrowseMode() {
    checkActive();
    if (state_ == TDataSetState::dsEdit) Post();
}

void TClientDataSet::setState(TDataSetState state) {
    if (state_ == state) return;
    state_ = state;
    notify(TDataEvent::deUpdateState);
}

void TClientDataSet::notify(TDataEvent event, int recNo, TField* field) {
    if (ControlsDisabled()) return;
    for (TDataSource* source : std::vector<TDataSource*>(sources_)) source->dataEvent(event, recNo, field);
}

void TClientDataSet::resetRows() {
    for (auto& column : columns_) column = protocol::Column(column.type());
    rowCount_ = 0;
    cursor_ = -1;
    bof_ = eof_ = true;
}

void TClientDataSet::Open() {
    if (Active()) return;
    if (BeforeOpen) BeforeOpen(this);
    resetRows();
    setState(TDataSetState::dsBrowse);
    notify(TDataEvent::deDataSetChange);
}

void TClientDataSet::Close() {
    if (!Active()) return;
    if (state_ == TDataSetState::dsEdit) Cancel();
    resetRows();
    setState(TDataSetState::dsInactive);
    notify(TDataEvent::deDataSetChange);
}

void TClientDataSet::LoadFromPacket(const protocol::DataPacket& packet) {
    if (state_ == TDataSetState::dsEdit) Cancel();
    if (!Active() && BeforeOpen) BeforeOpen(this);
    if (fields_.empty()) {
        for (const protocol::PacketField& f : packet.fields()) AddField(f.name, f.type, f.size);
    }
    std::vector<int> source(fields_.size());
    for (size_t i = 0; i < fields_.size(); ++i) {
        source[i] = packet.fieldIndex(fields_[i]->FieldName());
        if (source[i] < 0) {
            throw Error(
                QStringLiteral("%1: campo '%2' não encontrado.").arg(objectName(), fields_[i]->FieldName()));
        }
    }

    // Taken aside and swapped in, so a bad value leaves the previous rows untouched. A column of the
    // field's own kind is shared with the packet; another is converted value by value.
    const int rows = packet.rowCount();
    std::vector<protocol::Column> loaded;
    loaded.reserve(fields_.size());
    for (size_t i = 0; i < fields_.size(); ++i) {
        const protocol::Column& from = packet.column(source[i]);
        const TFieldType type = fields_[i]->DataType();
        if (from.type() == type || (from.isText() && protocol::IsTextType(type))) {
            loaded.push_back(from);
            continue;
        }
        protocol::Column& to = loaded.emplace_back(type);
        to.reserve(rows);
        for (int r = 0; r < rows; ++r) {
            const QVariant value = from.value(r);
            if (!to.append(value)) {
                throw Error(QStringLiteral("%1: valor '%2' inválido para o campo '%3' (registro %4).")
                                .arg(objectName(), value.toString(), fields_[i]->FieldName())
                                .arg(r + 1));
            }
        }
    }
    columns_.swap(loaded);
    rowCount_ = rows;
    const bool wasActive = Active();
    state_ = TDataSetState::dsBrowse;
    if (!wasActive) notify(TDataEvent::deUpdateState);
    cursor_ = -1;
    bof_ = true;
    eof_ = rowCount_ == 0;
    notify(TDataEvent::deDataSetChange);
    if (rowCount_ > 0) moveTo(0, true);
}

void TClientDataSet::EmptyDataSet() {
    checkActive();
    if (state_ == TDataSetState::dsEdit) Cancel();
    resetRows();
    notify(TDataEvent::deDataSetChange);
}

void TClientDataSet::moveTo(int recNo, bool raiseScroll) {
    cursor_ = recNo;
    notify(TDataEvent::deDataSetScroll, recNo);
    if (raiseScroll && AfterScroll) AfterScroll(this);
}

void TClientDataSet::SetRecNo(int recNo) {
    checkBrowseMode();
    if (rowCount_ == 0) return;
    MoveBy(std::clamp(recNo, 0, rowCount_ - 1) - cursor_);
}

void TClientDataSet::First() {
    checkBrowseMode();
    bof_ = true;
    eof_ = rowCount_ == 0;
    if (rowCount_ > 0) moveTo(0, true);
}

void TClientDataSet::Last() {
    checkBrowseMode();
    eof_ = true;
    bof_ = rowCount_ == 0;
    if (rowCount_ > 0) moveTo(rowCount_ - 1, true);
}

void TClientDataSet::Next() {
    MoveBy(1);
}
void TClientDataSet::Prior() {
    MoveBy(-1);
}

int TClientDataSet::MoveBy(int distance) {
    checkBrowseMode();
    if (rowCount_ == 0 || distance == 0) return 0;
    // Moving past either end sets Eof/Bof without moving; staying inside clears them.
    const qint64 wanted = static_cast<qint64>(cursor_) + distance;
    const int target = static_cast<int>(std::clamp<qint64>(wanted, 0, rowCount_ - 1));
    eof_ = wanted > rowCount_ - 1;
    bof_ = wanted < 0;
    const int moved = target - cursor_;
    if (moved != 0) moveTo(target, true);
    return moved;
}

bool TClientDataSet::Locate(const QString& fieldName, const QString& text, bool caseInsensitive,
                            bool partial) {
    checkBrowseMode();
    const TField* field = FieldByName(fieldName);
    const protocol::Column& column = columns_[static_cast<size_t>(field->Index())];
    const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const bool isText =
        field->DataType() == TFieldType::ftString || field->DataType() == TFieldType::ftFixedChar;
    for (int r = 0; r < rowCount_; ++r) {
        bool match = false;
        if (isText) {
            const QString value = column.text(r);
            match = partial ? value.startsWith(text, cs) : value.compare(text, cs) == 0;
        } else {
            const PaintRecord reading(this, r);
            const QString value = field->AsString();
            match = partial ? value.startsWith(text, cs) : value.compare(text, cs) == 0;
        }
        if (match) {
            bof_ = eof_ = false;
            moveTo(r, true);
            return true;
        }
    }
    return false;
}

void TClientDataSet::SetFieldWhere(TField* field, const QVariant& value,
                                   const std::function<bool(int recNo)>& which) {
    checkBrowseMode();
    std::vector<int> chosen;
    for (int r = 0; r < rowCount_; ++r) {
        if (which(r)) chosen.push_back(r);
    }
    if (!columns_[static_cast<size_t>(field->Index())].setRows(chosen, value)) {
        throw Error(QStringLiteral("%1: valor '%2' inválido para o campo '%3'.")
                        .arg(objectName(), value.toString(), field->FieldName()));
    }
    notify(TDataEvent::deDataSetChange);
}

void TClientDataSet::Edit() {
    checkActive();
    if (state_ == TDataSetState::dsEdit) return;
    if (rowCount_ == 0) {
        throw Error(
            QStringLiteral("O conjunto de dados '%1' não tem registro para editar.").arg(objectName()));
    }
    editValues_.assign(fields_.size(), QVariant());
    editChanged_.assign(fields_.size(), false);
    setState(TDataSetState::dsEdit);
}

void TClientDataSet::Post() {
    if (state_ != TDataSetState::dsEdit) {
        throw Error(QStringLiteral("O conjunto de dados '%1' não está em edição.").arg(objectName()));
    }
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i]->Required && valueIsNull(static_cast<int>(i))) {
            throw Error(QStringLiteral("O campo '%1' deve ser informado.").arg(fields_[i]->DisplayLabel));
        }
    }
    bool changed = false;
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (!editChanged_[i]) continue;
        // Values were converted when set, so storing cannot fail here.
        columns_[i].set(cursor_, editValues_[i]);
        changed = true;
    }
    editValues_.clear();
    editChanged_.clear();
    setState(TDataSetState::dsBrowse);
    if (changed) notify(TDataEvent::deRecordChange, cursor_);
}

void TClientDataSet::Cancel() {
    if (state_ != TDataSetState::dsEdit) return;
    const bool changed = std::find(editChanged_.begin(), editChanged_.end(), true) != editChanged_.end();
    editValues_.clear();
    editChanged_.clear();
    setState(TDataSetState::dsBrowse);
    if (changed) notify(TDataEvent::deRecordChange, cursor_);
}

void TClientDataSet::DisableControls() {
    if (disableCount_++ == 0) stateAtDisable_ = state_;
}

void TClientDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (state_ != stateAtDisable_) notify(TDataEvent::deUpdateState);
    notify(TDataEvent::deDataSetChange);
}

TClientDataSet::PaintRecord::PaintRecord(const TClientDataSet* dataSet, int recNo)
    : dataSet_(dataSet), previous_(dataSet->paintRow_) {
    dataSet_->paintRow_ = recNo;
}

TClientDataSet::PaintRecord::~PaintRecord() {
    dataSet_->paintRow_ = previous_;
}

bool TClientDataSet::editing(int fieldIndex) const {
    return state_ == TDataSetState::dsEdit && ReadingRecNo() == cursor_ &&
           editChanged_[static_cast<size_t>(fieldIndex)];
}

bool TClientDataSet::valueIsNull(int fieldIndex) const {
    if (editing(fieldIndex)) {
        const QVariant& v = editValues_[static_cast<size_t>(fieldIndex)];
        return !v.isValid() || v.isNull();
    }
    const int row = ReadingRecNo();
    if (row < 0 || row >= rowCount_) return true;
    return columns_[static_cast<size_t>(fieldIndex)].isNull(row);
}

QVariant TClientDataSet::value(int fieldIndex) const {
    if (editing(fieldIndex)) return editValues_[static_cast<size_t>(fieldIndex)];
    const int row = ReadingRecNo();
    if (row < 0 || row >= rowCount_) return {};
    return columns_[static_cast<size_t>(fieldIndex)].value(row);
}

void TClientDataSet::setValue(int fieldIndex, const QVariant& value) {
    if (state_ != TDataSetState::dsEdit) {
        throw Error(QStringLiteral("O conjunto de dados '%1' não está em edição.").arg(objectName()));
    }
    editValues_[static_cast<size_t>(fieldIndex)] = value;
    editChanged_[static_cast<size_t>(fieldIndex)] = true;
    notify(TDataEvent::deRecordChange, cursor_, fields_[static_cast<size_t>(fieldIndex)].get());
}

}  // namespace kpv::data
