# The decoration chain's words in the help pages of its four picture steps.
set(CHAIN_LOAD
  "Choose the picture of the decoration: a dark figure on a light ground, or write a text.")
set(CHAIN_LIBRARY
  "basic figures and the symbols biohazard, peace, spiral and yin and yang")
set(CHAIN_ROTATE
  "Set the orientation and proportions of the figure. Where it goes on the surface is set later, in <b>Compose Surface And Decorations</b>.")
set(CHAIN_THRESHOLD
  "Turns the picture into black and white: black becomes the figure that is raised or carved.")
set(CHAIN_RELIEF
  "keeps the grey values; dark parts then become high parts of the figure instead of following the engraving style.")
set(CHAIN_PAINT
  "Touch up the figure by hand: fill holes, remove specks, join or separate parts.")
