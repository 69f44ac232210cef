// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Preferences.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace Dartline {

namespace {
const QString bindingsKey = QStringLiteral("bindings");
const QString knownDisplaysKey = QStringLiteral("knownDisplays");
} // namespace

std::optional<QString> Preferences::conflictingDisplay(const Shortcut &shortcut, const QString &excluding) const
{
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it) {
        if (it.key() != excluding && it.value() == shortcut)
            return it.key();
    }
    return std::nullopt;
}

void Preferences::discover(const QString &id, int index, quint32 defaultModifiers)
{
    if (knownDisplays.contains(id))
        return;
    knownDisplays.insert(id);
    const auto suggestion = Shortcut::suggested(index, defaultModifiers);
    if (!suggestion || conflictingDisplay(*suggestion, id))
        return;
    bindings.insert(id, *suggestion);
}

bool Preferences::useDefaultModifiers(quint32 modifiers, const QString &except)
{
    bool changed = false;
    // In a fixed order, so that of two bindings that would collide the same
    // one wins every time.
    QStringList ids = bindings.keys();
    ids.sort();
    for (const QString &id : std::as_const(ids)) {
        const Shortcut current = bindings.value(id);
        const Shortcut wanted(current.keyCode(), modifiers);
        if (id == except || !current.isDefaultLike() || current == wanted || conflictingDisplay(wanted, id))
            continue;
        bindings.insert(id, wanted);
        changed = true;
    }
    return changed;
}

QByteArray Preferences::toJson() const
{
    QJsonObject bindingsObject;
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it)
        bindingsObject.insert(it.key(), it.value().toJson());
    QJsonArray known;
    for (const QString &id : knownDisplays)
        known.append(id);
    // QJsonObject keeps its members sorted, which puts "bindings" first.
    const QJsonObject root { { bindingsKey, bindingsObject }, { knownDisplaysKey, known } };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<Preferences> Preferences::fromJson(const QByteArray &document)
{
    if (document.size() > MaximumDocumentSize)
        return std::nullopt;
    QJsonParseError error {};
    const QJsonDocument parsed = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError || !parsed.isObject())
        return std::nullopt;
    const QJsonObject root = parsed.object();
    const QJsonValue bindingsValue = root.value(bindingsKey);
    const QJsonValue knownValue = root.value(knownDisplaysKey);
    if (!bindingsValue.isObject() || !knownValue.isArray())
        return std::nullopt;

    Preferences result;
    const QJsonObject bindingsObject = bindingsValue.toObject();
    for (auto it = bindingsObject.constBegin(); it != bindingsObject.constEnd(); ++it) {
        const auto shortcut = Shortcut::fromJson(it.value());
        if (!shortcut)
            return std::nullopt;
        result.bindings.insert(it.key(), *shortcut);
    }
    const QJsonArray known = knownValue.toArray();
    for (const QJsonValue &value : known) {
        if (!value.isString())
            return std::nullopt;
        result.knownDisplays.insert(value.toString());
    }
    return result;
}

} // namespace Dartline
