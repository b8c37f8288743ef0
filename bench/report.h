// The benchmark's table: one row per figure, printed as Markdown so the README can carry it.
#pragma once

#include "bench/summary.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

enum class Unit { Milliseconds, Microseconds, Kilobytes, PercentOfCore };

struct Row {
    Row(std::string measurement_, std::string image_, Unit unit_ = Unit::Milliseconds)
        : measurement(std::move(measurement_)), image(std::move(image_)), unit(unit_) {}

    std::string measurement;
    std::string image;                 // the page, or what the condition was
    Summary value;
    Unit unit = Unit::Milliseconds;
    std::optional<Summary> limit;      // the physical limit measured beside it, same unit
    std::string target;                // empty when the figure has none
    std::optional<bool> met;
    std::string note;                  // why a figure is missing, or what it includes
};

std::string Format(double value, Unit unit);

void PrintTable(const std::vector<Row>& rows);

}  // namespace bench
