#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

namespace plxtest {

// The child of a screen by its object name; a failed expectation (and nullptr) when the
// screen has none, so that a renamed widget says which.
template <typename T> T *child(const QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

template <typename T> T *child(const QObject &parent, const QString &name)
{
    return child<T>(&parent, name);
}

} // namespace plxtest
