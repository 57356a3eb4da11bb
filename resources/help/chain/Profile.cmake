# The profile chain's words in the help pages of its four picture steps.
set(CHAIN_LOAD
  "Choose a drawing of the cross-section: a dark area under a curve, its left end at the outer edge of the object, its right end in the middle.")
set(CHAIN_LIBRARY
  "the ten bevel profiles")
set(CHAIN_ROTATE
  "Level the base of the drawing. What counts is the height of the drawing compared with its width: <b>Scale Height</b> makes the surface steeper, <b>Scale Width</b> flatter.")
set(CHAIN_THRESHOLD
  "Turns the drawing into black and white: the black area under the curve is the profile, read from its highest black point in every column.")
set(CHAIN_RELIEF
  "keeps the grey values. A profile is read from pure black, so use <b>Threshold Mode</b> here.")
set(CHAIN_PAINT
  "Draw or correct the curve by hand: black under it, white above it.")
