# The shape chain's words in the help pages of its four picture steps.
set(CHAIN_LOAD
  "Choose the picture the outline is made from: a dark figure on a light ground.")
set(CHAIN_LIBRARY
  "basic figures: circle, heart, pentagon, rectangles, star and triangle")
set(CHAIN_ROTATE
  "Straighten the picture and set the proportions of the outline.")
set(CHAIN_THRESHOLD
  "Turns the picture into black and white: black becomes the object, white the empty space around it. Keep the outline in one piece.")
set(CHAIN_RELIEF
  "keeps the grey values; dark parts then become high parts of the surface instead of following the profile.")
set(CHAIN_PAINT
  "Touch up the outline by hand: fill holes, remove specks, join or separate parts.")
