#include "gui/search/SortOrderChoice.h"

#include <QComboBox>

SortOrderChoice::SortOrderChoice(QComboBox &box, PreferenceStore &store, QObject *parent)
    : QObject(parent)
    , m_preferences(store)
{
    for (SortOrder order : SortOrders::all())
        box.addItem(SortOrders::label(order), SortOrders::name(order));
    box.setCurrentIndex(int(SortOrders::all().indexOf(m_preferences.sortOrder())));
    connect(&box, &QComboBox::currentIndexChanged, this, [this, &box](int index) {
        if (const std::optional<SortOrder> order = SortOrders::named(box.itemData(index).toString()))
            m_preferences.setSortOrder(*order);
    });
}
