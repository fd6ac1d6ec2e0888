#pragma once

// The trees' start-up work the application does without knowing the tree
// classes. Call both once at start-up, before forms load.

/// Lets the scaling base form (common/components) recognise and scale the
/// virtual trees on its forms.
void RegisterTreeScaling();
/// Registers the tree classes a form stream may name (TVirtualStringTree,
/// Tyl_VirtualStringTree).
void RegisterTreeClasses();
