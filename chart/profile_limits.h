#pragma once
// An alarm profile's evaluation drawn on the program's chart: each limit of its rules as a line
// across the plot and the time spans of all its excursions (triggered or not) as light bands. The
// window's "Limity" and the report's chart both draw through this, so they show the same.
#include "chart/logger_plot.h"
#include "data/alarm_evaluation.h"
#include "data/alarm_profile.h"

// Replaces the plot's limit lines and bands: one line per distinct limit, in the profile's order;
// the excursions of every rule and channel in time order, overlapping or touching spans joined
// into one band. An empty profile or result removes them.
void ShowProfileLimits(TLoggerPlot& plot, const readings::TAlarmProfile& profile,
                       const readings::TProfileResult& result);
