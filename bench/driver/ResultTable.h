#pragma once

#include <string>
#include <vector>

// The one table the benchmark prints: a row per figure, with its goal and
// whether the goal was met, as Markdown so it can go straight into
// docs/performance.md. Notes follow the table.
class ResultTable {
public:
    enum class Verdict { Pass, Fail, Info };

    void Add(const std::string& part, const std::string& measure, const std::string& value);
    void AddGoal(const std::string& part, const std::string& measure, const std::string& value, const std::string& goal,
        bool met);
    // A figure that could not be measured at all counts as a missed goal.
    void AddMissing(
        const std::string& part, const std::string& measure, const std::string& why, const std::string& goal);
    // Another table's rows and notes, after this one's.
    void Append(const ResultTable& other);
    // A note given again (two parts measuring alike) is printed once.
    void Note(const std::string& text);

    bool AnyFailed() const;
    std::string Markdown() const;
    // After the table: how many goals hold, then each goal and its verdict.
    std::string Verdicts() const;

private:
    struct Row {
        std::string part;
        std::string measure;
        std::string value;
        std::string goal;
        Verdict verdict;
    };

    std::vector<Row> m_rows;
    std::vector<std::string> m_notes;
};
