#include "ui/widgets/Layouts.h"

#include <QHBoxLayout>

namespace Layouts {

QHBoxLayout *centredRow(std::initializer_list<QWidget *> widgets)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QWidget *widget : widgets)
        row->addWidget(widget);
    row->addStretch();
    return row;
}

} // namespace Layouts
