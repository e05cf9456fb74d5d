#include "ListNames.h"

#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"

QStringList listNames()
{
    QStringList names;
    const RecordModel* model = forms::main->ListView1->model();
    for (int i = 0; i < model->count(); ++i)
        names << model->caption(i);
    return names;
}
