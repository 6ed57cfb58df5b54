// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/remotecommand.h"

#include "settings/appsettings.h"
#include "show/showcontroller.h"
#include "timer/timeofday.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTime>
#include <QUrlQuery>
#include <QtEndian>

#include <lo/lo_lowlevel.h>

#include <cmath>

namespace {

using Args = RemoteCommand::Args;

constexpr qint64 kMaxSeconds = SettingsLimits::kDurationMax; // 999:59
constexpr int kMaxMessage = 500;

// The first argument of an OSC message stands for the one named field.
QVariant field(const Args& args, const char* name)
{
    const auto it = args.named.constFind(QLatin1String(name));
    if (it != args.named.constEnd())
        return *it;
    return args.positional.value(0);
}

bool present(const Args& args, const char* name)
{
    return args.named.contains(QLatin1String(name)) || !args.positional.isEmpty();
}

// A whole number from an int, a float without a fraction or a text of digits.
QString wholeNumber(const QVariant& v, const char* name, qint64 lo, qint64 hi, int* out)
{
    const QString n = QLatin1String(name);
    if (!v.isValid() || v.isNull())
        return QStringLiteral("missing %1").arg(n);
    double value = 0;
    bool ok = false;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        value = v.toDouble(&ok);
        break;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        static const QRegularExpression number(
            QStringLiteral("^[+-]?(\\d{1,15}(\\.\\d*)?|\\.\\d+)$"));
        const QString t = v.toString().trimmed();
        if (number.match(t).hasMatch())
            value = t.toDouble(&ok);
        break;
    }
    default:
        break;
    }
    if (!ok || !std::isfinite(value))
        return QStringLiteral("%1 must be a number").arg(n);
    if (value != std::floor(value))
        return QStringLiteral("%1 must be a whole number").arg(n);
    if (value < static_cast<double>(lo) || value > static_cast<double>(hi))
        return QStringLiteral("%1 must be between %2 and %3").arg(n).arg(lo).arg(hi);
    *out = static_cast<int>(value);
    return {};
}

QString word(const QVariant& v, const char* name, const QStringList& choices, int* out)
{
    const QString n = QLatin1String(name);
    if (!v.isValid() || v.isNull())
        return QStringLiteral("missing %1").arg(n);
    const int i = v.typeId() == QMetaType::QString
                      ? int(choices.indexOf(v.toString().trimmed().toLower()))
                      : -1;
    if (i < 0)
        return QStringLiteral("%1 must be %2").arg(n, choices.join(QStringLiteral(" or ")));
    *out = i;
    return {};
}

QString noArgs(const Args&, RemoteCommand&)
{
    return {};
}

QString parseDuration(const Args& args, RemoteCommand& c)
{
    const bool hasSeconds = args.named.contains(QStringLiteral("seconds"));
    const bool hasTime = args.named.contains(QStringLiteral("time"));
    if (hasSeconds && hasTime)
        return QStringLiteral("give seconds or time, not both");
    QVariant v = hasSeconds ? args.named.value(QStringLiteral("seconds"))
                 : hasTime  ? args.named.value(QStringLiteral("time"))
                            : args.positional.value(0);
    if (!v.isValid())
        return QStringLiteral("missing seconds or time");
    const QString text = v.typeId() == QMetaType::QString ? v.toString().trimmed() : QString();
    if (hasTime || text.contains(QLatin1Char(':'))) {
        static const QRegularExpression mss(QStringLiteral("^(\\d{1,3}):(\\d{1,2})$"));
        const auto m = mss.match(text);
        if (!m.hasMatch() || m.captured(2).toInt() > 59)
            return QStringLiteral("time must be m:ss, minutes up to 999, seconds up to 59");
        c.number = m.captured(1).toInt() * 60 + m.captured(2).toInt();
        return {};
    }
    return wholeNumber(v, "seconds", 0, kMaxSeconds, &c.number);
}

QString parseAdd(const Args& args, RemoteCommand& c)
{
    return wholeNumber(field(args, "seconds"), "seconds", -kMaxSeconds, kMaxSeconds, &c.number);
}

QString parseMode(const Args& args, RemoteCommand& c)
{
    return word(field(args, "mode"), "mode",
                {QStringLiteral("countdown"), QStringLiteral("countup")}, &c.number);
}

QString parseView(const Args& args, RemoteCommand& c)
{
    return word(field(args, "view"), "view",
                {QStringLiteral("timer"), QStringLiteral("clock"), QStringLiteral("both")},
                &c.number);
}

QString parsePreset(const Args& args, RemoteCommand& c)
{
    return wholeNumber(field(args, "index"), "index", 1, SettingsLimits::kMaxPresets, &c.number);
}

QString parseMessage(const Args& args, RemoteCommand& c)
{
    const QVariant v = field(args, "text");
    if (!present(args, "text") || !v.isValid() || v.isNull())
        return QStringLiteral("missing text");
    if (v.typeId() == QMetaType::QVariantMap || v.typeId() == QMetaType::QVariantList ||
        v.typeId() == QMetaType::Bool)
        return QStringLiteral("text must be a text");
    // The output shows one line: line breaks and other control characters
    // become spaces.
    QString t = v.toString();
    for (QChar& ch : t)
        if (ch.category() == QChar::Other_Control)
            ch = QLatin1Char(' ');
    t = t.trimmed();
    if (t.isEmpty())
        return QStringLiteral("text must not be empty");
    if (t.size() > kMaxMessage)
        return QStringLiteral("text must be at most %1 characters").arg(kMaxMessage);
    c.text = t;
    return {};
}

QString parseTarget(const Args& args, RemoteCommand& c)
{
    const QVariant v = field(args, "time");
    if (!v.isValid() || v.isNull())
        return QStringLiteral("missing time");
    const QTime t =
        v.typeId() == QMetaType::QString ? TimeOfDay::parse(v.toString().trimmed()) : QTime();
    if (!t.isValid())
        return QStringLiteral("time must be HH:MM, 24-hour, 00:00 to 23:59");
    c.number = t.hour() * 60 + t.minute();
    return {};
}

QString parseOutput(const Args& args, RemoteCommand& c)
{
    // Only reached from OSC: /vellmark/output 0 or 1.
    const QVariant v = args.positional.value(0);
    int on = 0;
    if (v.typeId() == QMetaType::Bool)
        on = v.toBool();
    else if (const QString e = wholeNumber(v, "visible", 0, 1, &on); !e.isEmpty())
        return QStringLiteral("output takes 0 or 1");
    c.verb = on ? QStringLiteral("output/show") : QStringLiteral("output/hide");
    return {};
}

// The command table: one row per verb, its argument parser beside it. A new
// verb is one row here and one case in apply().
struct Verb {
    const char* name;
    QString (*parse)(const Args&, RemoteCommand&);
};

const Verb kVerbs[] = {
    {"start", noArgs},       {"pause", noArgs},           {"toggle", noArgs},
    {"reset", noArgs},       {"duration", parseDuration}, {"target", parseTarget},
    {"add", parseAdd},       {"mode", parseMode},         {"view", parseView},
    {"preset", parsePreset}, {"message", parseMessage},   {"message/clear", noArgs},
    {"output/show", noArgs}, {"output/hide", noArgs},
};

QString apply(ShowController& show, const RemoteCommand& c)
{
    const QString& v = c.verb;
    if (v == QLatin1String("start"))
        show.start();
    else if (v == QLatin1String("pause"))
        show.pause();
    else if (v == QLatin1String("toggle"))
        show.toggle();
    else if (v == QLatin1String("reset"))
        show.reset();
    else if (v == QLatin1String("duration"))
        show.setDuration(c.number);
    else if (v == QLatin1String("target"))
        show.setTarget(QTime(c.number / 60, c.number % 60));
    else if (v == QLatin1String("add"))
        show.addSeconds(c.number);
    else if (v == QLatin1String("mode"))
        show.setCountUp(c.number == 1);
    else if (v == QLatin1String("view"))
        show.setViewMode(c.number);
    else if (v == QLatin1String("preset")) {
        if (!show.choosePreset(c.number - 1))
            return QStringLiteral("no preset %1: the strip has %2")
                .arg(c.number)
                .arg(show.presets().size());
    } else if (v == QLatin1String("message"))
        show.pushMessage(c.text);
    else if (v == QLatin1String("message/clear"))
        show.clearMessage();
    else if (v == QLatin1String("output/show"))
        show.showOutput();
    else if (v == QLatin1String("output/hide"))
        show.hideOutput();
    else
        return QStringLiteral("unknown command");
    return {};
}

QString timeText(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The outcome of a parse: the command, or the error with the command cleared,
// so a refusal never carries anything to carry out.
RemoteCommand::Parsed outcome(RemoteCommand::Parsed p, const QString& error)
{
    p.error = error;
    p.ok = error.isEmpty();
    p.status = p.ok ? 200 : 400;
    if (!p.ok)
        p.command = RemoteCommand();
    return p;
}

// Form fields and query strings: "+" is a space, as browsers send them.
void addQueryFields(QVariantMap& named, QByteArray query, QString* token)
{
    query.replace('+', "%20");
    const QUrlQuery q(QString::fromUtf8(query));
    for (const auto& item : q.queryItems(QUrl::FullyDecoded)) {
        if (item.first == QLatin1String("token"))
            *token = item.second;
        else
            named.insert(item.first, item.second);
    }
}

} // namespace

QStringList RemoteCommand::verbs()
{
    QStringList names;
    for (const Verb& v : kVerbs)
        names << QLatin1String(v.name);
    return names;
}

RemoteCommand::Parsed RemoteCommand::fromArgs(const QString& verb, const Args& args)
{
    Parsed p;
    const Verb* found = nullptr;
    for (const Verb& v : kVerbs)
        if (verb == QLatin1String(v.name))
            found = &v;
    if (!found) {
        p.status = 404;
        p.error = QStringLiteral("unknown command \"%1\"").arg(verb.left(64));
        return p;
    }
    p.command.verb = verb;
    const QString error = found->parse(args, p.command);
    return outcome(p, error);
}

RemoteCommand::Parsed RemoteCommand::fromHttp(const QString& verb, const QByteArray& query,
                                              const QByteArray& contentType, const QByteArray& body)
{
    Args args;
    QString token;
    addQueryFields(args.named, query, &token);
    const QByteArray type = contentType.split(';').value(0).trimmed().toLower();
    const QByteArray trimmed = body.trimmed();
    QString bodyError;
    if (type == "application/json" || (type.isEmpty() && trimmed.startsWith('{'))) {
        if (!trimmed.isEmpty()) {
            QJsonParseError err;
            const QJsonDocument doc = QJsonDocument::fromJson(body, &err);
            if (err.error != QJsonParseError::NoError)
                bodyError = QStringLiteral("malformed JSON at offset %1: %2")
                                .arg(err.offset)
                                .arg(err.errorString());
            else if (!doc.isObject())
                bodyError = QStringLiteral("the JSON body must be an object");
            else {
                const QVariantMap fields = doc.object().toVariantMap();
                for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
                    if (it.key() == QLatin1String("token"))
                        token = it.value().toString();
                    else
                        args.named.insert(it.key(), it.value());
                }
            }
        }
    } else if (!trimmed.isEmpty()) {
        addQueryFields(args.named, body, &token);
    }
    Parsed p = fromArgs(verb, args);
    if (p.status != 404 && !bodyError.isEmpty())
        p = outcome(p, bodyError);
    p.token = token;
    return p;
}

RemoteCommand::Parsed RemoteCommand::fromJson(const QString& verb, const QJsonValue& args)
{
    Args a;
    if (args.isObject())
        a.named = args.toObject().toVariantMap();
    else if (!args.isUndefined() && !args.isNull()) {
        const Parsed p = fromArgs(verb, a);
        return p.status == 404 ? p : outcome(p, QStringLiteral("args must be an object"));
    }
    return fromArgs(verb, a);
}

RemoteCommand::Parsed RemoteCommand::fromOsc(const QString& address, const QVariantList& args)
{
    const QString prefix = QStringLiteral("/vellmark/");
    QString verb = address.startsWith(prefix) ? address.mid(prefix.size()) : QString();
    Args a;
    a.positional = args;
    if (verb == QLatin1String("output")) {
        Parsed p;
        const QString error = parseOutput(a, p.command);
        return outcome(p, error);
    }
    // Output is one address with an argument over OSC; its two HTTP verbs are
    // not OSC addresses.
    if (verb.startsWith(QLatin1String("output/")) || verb.isEmpty()) {
        Parsed p;
        p.status = 404;
        p.error = QStringLiteral("unknown address \"%1\"").arg(address.left(64));
        return p;
    }
    return fromArgs(verb, a);
}

QString RemoteCommand::applyTo(ShowController& show) const
{
    return apply(show, *this);
}

QString RemoteCommand::describe() const
{
    if (verb == QLatin1String("duration"))
        return QStringLiteral("duration %1").arg(timeText(number));
    if (verb == QLatin1String("target"))
        return QStringLiteral("target %1").arg(TimeOfDay::text(QTime(number / 60, number % 60)));
    if (verb == QLatin1String("add"))
        return QStringLiteral("add %1%2 s")
            .arg(number < 0 ? QStringLiteral("−") : QStringLiteral("+"))
            .arg(std::abs(number));
    if (verb == QLatin1String("mode"))
        return number ? QStringLiteral("count up") : QStringLiteral("countdown");
    if (verb == QLatin1String("view"))
        return QStringLiteral("view %1").arg(
            QStringList{QStringLiteral("timer"), QStringLiteral("clock"), QStringLiteral("both")}
                .value(number));
    if (verb == QLatin1String("preset"))
        return QStringLiteral("preset %1").arg(number);
    if (verb == QLatin1String("message"))
        return QStringLiteral("message “%1”")
            .arg(text.size() > 40 ? text.left(39) + QStringLiteral("…") : text);
    return verb;
}

namespace {

void decodeInto(const QByteArray& data, int depth, QList<OscMessage>& out)
{
    constexpr int kMaxMessages = 64;
    constexpr int kMaxDepth = 8;
    if (out.size() >= kMaxMessages || depth > kMaxDepth || data.size() < 4)
        return;
    if (data.startsWith(QByteArrayLiteral("#bundle\0"))) {
        // "#bundle", an 8-byte time tag, then elements each led by its size.
        qsizetype at = 16;
        while (at + 4 <= data.size()) {
            const qint32 size = qFromBigEndian<qint32>(data.constData() + at);
            at += 4;
            if (size <= 0 || size % 4 != 0 || size > data.size() - at)
                return;
            decodeInto(data.mid(at, size), depth + 1, out);
            at += size;
        }
        return;
    }
    QByteArray copy = data; // liblo takes a non-const buffer
    const char* path = lo_get_path(copy.data(), copy.size());
    if (!path)
        return;
    int result = 0;
    lo_message m = lo_message_deserialise(copy.data(), copy.size(), &result);
    if (!m)
        return;
    OscMessage msg;
    msg.address = QString::fromUtf8(path);
    const char* types = lo_message_get_types(m);
    lo_arg** argv = lo_message_get_argv(m);
    const int argc = lo_message_get_argc(m);
    for (int i = 0; i < argc && types && types[i]; ++i) {
        const lo_arg* a = argv[i];
        switch (types[i]) {
        case LO_INT32:
            msg.args << QVariant(int(a->i));
            break;
        case LO_INT64:
            msg.args << QVariant(qint64(a->h));
            break;
        case LO_FLOAT:
            msg.args << QVariant(double(a->f));
            break;
        case LO_DOUBLE:
            msg.args << QVariant(a->d);
            break;
        case LO_STRING:
        case LO_SYMBOL:
            msg.args << QVariant(QString::fromUtf8(&a->s));
            break;
        case LO_CHAR:
            msg.args << QVariant(QString(QChar(a->c)));
            break;
        case LO_TRUE:
            msg.args << QVariant(true);
            break;
        case LO_FALSE:
            msg.args << QVariant(false);
            break;
        default:
            msg.args << QVariant();
            break;
        }
    }
    lo_message_free(m);
    out << msg;
}

} // namespace

QList<OscMessage> decodeOscPacket(const QByteArray& datagram)
{
    QList<OscMessage> out;
    decodeInto(datagram, 0, out);
    return out;
}

bool tokenMatches(const QString& given, const QString& expected)
{
    if (expected.isEmpty())
        return false;
    const QByteArray a = given.toUtf8();
    const QByteArray b = expected.toUtf8();
    unsigned diff = a.size() == b.size() ? 0u : 1u;
    for (qsizetype i = 0; i < b.size(); ++i)
        diff |= static_cast<unsigned char>(i < a.size() ? a.at(i) : 0) ^
                static_cast<unsigned char>(b.at(i));
    return diff == 0;
}
