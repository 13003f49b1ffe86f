#include "base/numbers.h"

#include <QLocale>
#include <QRegularExpression>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/errors.h"

namespace lanxi {
namespace {

Error overflow() {
    return Error(ErrorCode::Overflow, QStringLiteral("数值超出范围"));
}

template <class Int>
Int wholeNumber(double value) {
    if (std::isnan(value)) {
        throw overflow();
    }
    // nearbyint follows the default rounding mode, which rounds a half to the even neighbour.
    const double r = std::nearbyint(value);
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max())) {
        throw overflow();
    }
    return static_cast<Int>(r);
}

QString formatSignificant(double value, int digits) {
    if (value == 0) {
        return QStringLiteral("0");
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, value);
    QString text = QString::fromLatin1(buf);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        // 1.5e+07 is written 1.5E+07, with at least two exponent digits.
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        const QChar sign = exponent.at(0);
        QString digitsPart = exponent.mid(1);
        while (digitsPart.size() > 2 && digitsPart.startsWith(QLatin1Char('0'))) {
            digitsPart.remove(0, 1);
        }
        text = mantissa + QLatin1Char('E') + sign + digitsPart;
    }
    return text;
}

}  // namespace

std::int32_t CLng(double value) {
    return wholeNumber<std::int32_t>(value);
}

double CDbl(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    // Full-width digits, signs and points typed with a Chinese input method count as digits.
    const QString plain = text.normalized(QString::NormalizationForm_KC).trimmed();
    if (!number.match(plain).hasMatch()) {
        throw Error(ErrorCode::TypeMismatch, QStringLiteral("“%1”不是数字").arg(text));
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value)) {
        throw overflow();
    }
    return value;
}

float CSng(double value) {
    if (std::isnan(value) || std::fabs(value) > static_cast<double>(FLT_MAX)) {
        throw overflow();
    }
    return static_cast<float>(value);
}

double Divide(double numerator, double denominator) {
    if (denominator == 0) {
        if (numerator == 0 || std::isnan(numerator)) {
            throw overflow();
        }
        throw Error(ErrorCode::DivisionByZero, QStringLiteral("除数为零"));
    }
    return numerator / denominator;
}

QString NumberText(float value) {
    return formatSignificant(static_cast<double>(value), 7);
}
QString NumberText(double value) {
    return formatSignificant(value, 15);
}

QString Readout(float value) {
    const QString text = NumberText(value);
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    return dot < 0 ? text : text.left(dot);
}

std::int64_t ReadoutValue(float value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    // The value as its seven significant digits show it, then truncated like the readout.
    const double shown = QLocale::c().toDouble(formatSignificant(static_cast<double>(value), 7)
                                                   .replace(QLatin1Char('E'), QLatin1Char('e')));
    const double whole = std::trunc(shown);
    if (!(std::fabs(whole) < 9.0e18)) {
        return whole < 0 ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
    }
    return static_cast<std::int64_t>(whole);
}

QString Trim(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' ')) {
        ++begin;
    }
    while (end > begin && text.at(end - 1) == QLatin1Char(' ')) {
        --end;
    }
    return text.mid(begin, end - begin);
}

bool FrameTakesSize(float size, int unitsPerPixel) {
    if (!std::isfinite(size) || size < 0) {
        return false;
    }
    const std::int64_t px = ReadoutValue(float(double(size) / unitsPerPixel));
    return px >= 0 && px <= kMaxFramePixels;
}

}  // namespace lanxi
