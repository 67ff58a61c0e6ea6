// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RuntimeError.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

RuntimeError::RuntimeError(int code, QString description)
    : m_code(code), m_description(std::move(description)), m_what(m_description.toUtf8())
{}

RuntimeError RuntimeError::overflow() { return {Overflow, QStringLiteral("Estouro")}; }
RuntimeError RuntimeError::subscriptOutOfRange()
{
    return {SubscriptOutOfRange, QStringLiteral("Subscrito fora do intervalo")};
}
RuntimeError RuntimeError::typeMismatch() { return {TypeMismatch, QStringLiteral("Tipos incompatíveis")}; }
RuntimeError RuntimeError::invalidArgument()
{
    return {InvalidArgument, QStringLiteral("Chamada de procedimento ou argumento inválido")};
}
RuntimeError RuntimeError::fileAccess(const QString &detail)
{
    return {FileAccess, QStringLiteral("Erro de acesso ao caminho/arquivo: %1").arg(detail)};
}

void reportError(const RuntimeError &error)
{
    Platform::messages().show(QStringLiteral("%1 - %2").arg(error.code()).arg(error.description()),
                              MessageBox::Critical);
}

void runGuarded(const std::function<void()> &command)
{
    try {
        command();
    } catch (const RuntimeError &error) {
        reportError(error);
    }
}
