#pragma once

// Lets the scaling base form (common/components) recognise and scale the
// virtual trees on its forms. Call once at start-up, before forms load.

void RegisterTreeScaling();
