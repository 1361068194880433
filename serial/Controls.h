#pragma once

#include <QComboBox>
#include <QStringList>

// Adds items to an editable box without touching the text it shows, as the device windows'
// port boxes keep their prompt until a port is picked.
inline void addItemsKeepingText(QComboBox* box, const QStringList& items) {
    const QString text = box->currentText();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

// An editable box showing `text`.
inline QComboBox* editableCombo(const QString& text, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setEditText(text);
    return box;
}
