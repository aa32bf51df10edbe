#include "framework/data/list_routines.h"

#include "framework/core/interaction.h"
#include "framework/data/data_source.h"

#include <QApplication>

namespace kpv {

void Procura(data::TClientDataSet* dataSet) {
    const std::optional<FindRequest> request =
        Interaction::Current().AskFind(QApplication::activeWindow(), dataSet);
    if (!request || request->text.isEmpty()) return;
    const data::TField* field = dataSet->FieldByName(request->fieldName);
    const int count = dataSet->RecordCount();
    for (int step = 1; step <= count; ++step) {
        const int row = (dataSet->RecNo() + step) % count;
        bool found = false;
        {
            const data::TClientDataSet::PaintRecord reading(dataSet, row);
            found = field->DisplayText().contains(request->text, Qt::CaseInsensitive);
        }
        if (found) {
            dataSet->SetRecNo(row);
            return;
        }
    }
    Interaction::Current().MessageBox(QApplication::activeWindow(),
                                      QStringLiteral("Registro não encontrado."), TMsgDlgType::mtInformation,
                                      TMsgDlgButtons::mbOK);
}

void PesquisaLista(data::TDataSource* source, const QString& keyField, const QString& title, bool flag,
                   QString& list) {
    QStringList keys;
    for (const QString& part : list.split(u',', Qt::SkipEmptyParts)) {
        QString key = part.trimmed();
        if (flag && key.size() >= 2 && key.startsWith(u'\'') && key.endsWith(u'\''))
            key = key.mid(1, key.size() - 2);
        keys.append(key);
    }
    if (!Interaction::Current().PickRows(QApplication::activeWindow(), title, source, keyField, keys)) return;
    if (flag) {
        for (QString& key : keys) key = u'\'' + key + u'\'';
    }
    list = keys.join(u',');
}

}  // namespace kpv
