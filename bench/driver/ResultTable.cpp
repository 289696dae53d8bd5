#include "ResultTable.h"

#include <algorithm>

namespace {

std::string Cell(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '|')
            escaped += "\\|";
        else if (c != '\n' && c != '\r')
            escaped += c;
    }
    return escaped;
}

const char* VerdictText(ResultTable::Verdict verdict)
{
    switch (verdict) {
    case ResultTable::Verdict::Pass:
        return "PASS";
    case ResultTable::Verdict::Fail:
        return "FAIL";
    case ResultTable::Verdict::Info:
        break;
    }
    return "";
}

} // namespace

void ResultTable::Add(const std::string& part, const std::string& measure, const std::string& value)
{
    m_rows.push_back({part, measure, value, std::string(), Verdict::Info});
}

void ResultTable::AddGoal(
    const std::string& part, const std::string& measure, const std::string& value, const std::string& goal, bool met)
{
    m_rows.push_back({part, measure, value, goal, met ? Verdict::Pass : Verdict::Fail});
}

void ResultTable::AddMissing(
    const std::string& part, const std::string& measure, const std::string& why, const std::string& goal)
{
    m_rows.push_back({part, measure, "not measured: " + why, goal, Verdict::Fail});
}

void ResultTable::Note(const std::string& text)
{
    if (std::find(m_notes.begin(), m_notes.end(), text) == m_notes.end())
        m_notes.push_back(text);
}

void ResultTable::Append(const ResultTable& other)
{
    m_rows.insert(m_rows.end(), other.m_rows.begin(), other.m_rows.end());
    for (const std::string& note : other.m_notes)
        Note(note);
}

bool ResultTable::AnyFailed() const
{
    for (const Row& row : m_rows) {
        if (row.verdict == Verdict::Fail)
            return true;
    }
    return false;
}

std::string ResultTable::Markdown() const
{
    std::string text = "| part | measure | value | goal | verdict |\n|---|---|---|---|---|\n";
    std::string lastPart;
    for (const Row& row : m_rows) {
        // The part is named once, at the first of its rows.
        const std::string part = row.part == lastPart ? std::string() : row.part;
        lastPart = row.part;
        text += "| " + Cell(part) + " | " + Cell(row.measure) + " | " + Cell(row.value) + " | " + Cell(row.goal) + " | "
            + VerdictText(row.verdict) + " |\n";
    }
    if (!m_notes.empty()) {
        text += "\n";
        for (const std::string& note : m_notes)
            text += "- " + note + "\n";
    }
    return text;
}

std::string ResultTable::Verdicts() const
{
    std::string lines;
    unsigned goals = 0;
    unsigned held = 0;
    for (const Row& row : m_rows) {
        if (row.verdict == Verdict::Info)
            continue;
        ++goals;
        held += row.verdict == Verdict::Pass ? 1 : 0;
        lines += std::string(row.verdict == Verdict::Pass ? "holds:  " : "MISSED: ") + row.part + ", " + row.measure
            + ": " + row.value + " (goal: " + row.goal + ")\n";
    }
    return "Goals: " + std::to_string(held) + " of " + std::to_string(goals) + " hold.\n" + lines;
}
