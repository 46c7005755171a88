#pragma once

#include <QHash>
#include <QIdentityProxyModel>
#include <QString>

// The Apps view's table as the user sees it: the apps' rows, with a warning mark on the name of
// each critical app and its reason as the tooltip. Sorting goes through to the rows beneath.
class AppMarks : public QIdentityProxyModel
{
    Q_OBJECT

public:
    using QIdentityProxyModel::QIdentityProxyModel;

    // The apps to mark, by package name, each with why it is critical.
    void setMarks(QHash<QString, QString> reasons);
    QString reasonFor(const QString &name) const { return marks.value(name); }

    QVariant data(const QModelIndex &index, int role) const override;

private:
    QHash<QString, QString> marks;
};
