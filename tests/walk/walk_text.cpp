// How steps and acts are written down: for the child process that runs a walk, and as C++ for
// a regression test.
#include "walk.h"

#include <cstdio>
#include <ostream>
#include <sstream>

namespace kt::walk {

std::string encodeText(const QString& text) {
    std::string out;
    const auto unit = [&out](char16_t c) {
        if (c == u'\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
            out += buf;
        }
    };
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        qsizetype n = 1;
        while (i + n < text.size() && text[i + n].unicode() == c)
            ++n;
        unit(c);
        if (n > 8) {
            out += "\\*" + std::to_string(n - 1) + ';';
        } else {
            for (qsizetype k = 1; k < n; ++k)
                unit(c);
        }
        i += n;
    }
    return out;
}

QString decodeText(std::string_view text) {
    QString out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += QLatin1Char(text[i]);
            continue;
        }
        const char kind = text[++i];
        if (kind == 'u' && i + 4 < text.size()) {
            out += QChar(
                static_cast<char16_t>(std::stoul(std::string(text.substr(i + 1, 4)), nullptr, 16)));
            i += 4;
        } else if (kind == '*' && !out.isEmpty()) {
            const std::size_t end = text.find(';', i);
            const int n = std::stoi(std::string(text.substr(i + 1, end - i - 1)));
            out += QString(n, out.back());
            i = end;
        } else {
            out += QLatin1Char(kind);
        }
    }
    return out;
}

void showValue(const Step& step, std::ostream& os) {
    os << writeSteps({step}).substr(0, writeSteps({step}).size() - 1);
}

std::string writeSteps(const std::vector<Step>& steps) {
    std::ostringstream out;
    for (const Step& s : steps) {
        out << s.pick << ' ' << s.detail << ' ' << s.variant;
        for (int c : s.choices)
            out << ' ' << c;
        out << '\n';
    }
    return out.str();
}

std::vector<Step> readSteps(const std::string& text) {
    std::vector<Step> steps;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Step s;
        if (!(fields >> s.pick >> s.detail >> s.variant))
            continue;
        for (int c; fields >> c;)
            s.choices.push_back(c);
        steps.push_back(std::move(s));
    }
    return steps;
}

std::string writeActs(const std::vector<Act>& acts) {
    std::string out;
    for (const Act& a : acts) {
        out += a.what + '\t' + a.target + '\t' + a.text;
        for (const std::string& answer : a.answers)
            out += '\t' + answer;
        out += '\n';
    }
    return out;
}

std::vector<Act> readActs(const std::string& text) {
    std::vector<Act> acts;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            fields.push_back(line.substr(from, tab - from));
        fields.push_back(line.substr(from));
        if (fields.size() < 3)
            continue;
        acts.push_back({fields[0], fields[1], fields[2], {fields.begin() + 3, fields.end()}});
    }
    return acts;
}

namespace {
std::string literal(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}
} // namespace

std::string formatActs(const std::vector<Act>& acts) {
    std::string out;
    for (const Act& a : acts) {
        out +=
            "    {" + literal(a.what) + ", " + literal(a.target) + ", " + literal(a.text) + ", {";
        for (std::size_t i = 0; i < a.answers.size(); ++i)
            out += (i ? ", " : "") + literal(a.answers[i]);
        out += "}},\n";
    }
    return out;
}

} // namespace kt::walk
