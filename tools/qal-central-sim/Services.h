#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the central office serves: each service's path and operations, each operation's
// parameters in order and the elements of its answer.
struct Parameter
{
    QString name;
    enum Type { Text, Int, Message } type = Text;
};

struct Operation
{
    QString name;
    QList<Parameter> parameters;
    enum Result { TextResult, IntResult, LongResult, TextAndErrorDesc } result = TextResult;
};

struct Service
{
    QString path;
    QList<Operation> operations;
    const Operation *find(const QString &operation) const;
};

// messagePath: where the message service answers.
QList<Service> centralServices(const QString &messagePath);

inline constexpr char16_t kDefaultMessagePath[] = u"/QALService/QALMessageService.asmx";
