#pragma once
// The ADC, op-amp and comparator panels: each analog block as a clickable diagram.
#include "panels/ui/AdcPanel.h"
#include "panels/ui/CmpPanel.h"
#include "panels/ui/OpPanel.h"
