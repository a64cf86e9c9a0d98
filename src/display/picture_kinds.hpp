// The kinds of deformation picture and the registrations of the forms, by
// the numbers the controls and the routines give them.
#pragma once

namespace varnok::display {

// The pictures, by their number (the Value of DeFormat, showpw5's plottype).
enum class PictureType {
  Nothing = 0,  // any number not listed: the plot is set up, nothing drawn
  Grid = 1,
  GridArrows = 2,
  LandmarkVectors = 3,
  GridAndVectors = 4,
  VectorsToTarget = 5,
  HorizontalArrows = 6,
  VerticalArrows = 7,
  HorizontalContours = 8,
  VerticalContours = 9,
  // Filled contours of log2 of the spline's local change of area, drawn by
  // its own View item (no DeFormat value gives it).
  ExpansionMap = 10,
  LimitsOnly = 98,  // 98 and 99: the plot limits set, nothing drawn
};
PictureType pictureType(double plottype);

// The registrations of the forms, by their number (showpw5's suptype).
enum class Registration {
  None = -1,  // any number not listed: the forms as given, not turned
  Baseline = 0,
  SlidingBaseline = 1,
  Procrustes = 2,  // the forms as given (superimposed), turned
  ResistantFit = 3,
};
Registration registration(double suptype);

}  // namespace varnok::display
