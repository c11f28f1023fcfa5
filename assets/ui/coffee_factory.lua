-- The coffee factory's screen: the belt on the left (the "FactoryGame" window, built from the
-- keys below), the hopper with its meters on the right, the gun between them at the end of the
-- ingredient conveyor, the box the drinks ride into, the clock with the score on its face, the
-- time, the countdown, the miss places, the pause and go buttons, a way back to the menu, and
-- the information panel, which shows how to play until Start, then the pause and game-over
-- panels the factory fills into it. The product is gFactoryProduct when the caller set one,
-- else the house cappuccino.
gFactoryKind = "coffee"
local product = gFactoryProduct or {
  name = "cappuccino", label = "product_cappuccino", code = "cappuccino",
  recipe = { "beans", "milk", "cream" },
}


ReadFile("ui/factory_screen.lua")

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("image/backdrop_coffee.png"),
  QRNWindow { name = "missplaces", x = 452, y = 96, w = 124, h = 36, frame = "ui/kit/panel_dark",
    color = kChocolate },
  CoffeeFactory { name = "FactoryGame", x = 0, y = 0, w = 800, h = 600, fill = false,
    productName = product.name, productCode = product.code, recipe = product.recipe,
    appearance = { code = product.code },
    colorcount = 1, warnOnMiss = false,
    countdowntime = 3000, gametime = 60000, warntime = 10000,
    -- The belt drawn in the backdrop: 8 columns of 50 x 50 cells, a row every 3 s at first,
    -- its top and bottom rows under the hoods.
    columns = 8, rows = 9, gridx = 30, gridy = 60, griddx = 50, griddy = 50, gridspeed = 3000,
    top_hood = { 230, 58 }, bottom_hood = { 230, 536 },
    speedup = 1.1, maxspeed = 4,
    -- Points for a group by its size: three alike 3, four 5, five 8, more 10.
    matchBonus = { 0, 0, 0, 3, 5, 8, 10 },
    -- The conveyor brings the ammunition along the floor to the gun.
    conveyortime = 1200, conveyorcount = 5,
    conveyorpath = { { 790, 585 }, { 700, 585 }, { 600, 575 }, { 520, 550 } },
    gunspeed = 250,
    -- Finished drinks leave the hopper's chute for the box below it.
    producttime = 2500, productspacing = 800,
    productpath = { { 695, 400 }, { 695, 435 }, { 695, 470 }, { 695, 505 } },
    missed = { { 474, 114 }, { 510, 114 }, { 546, 114 } },
    FactoryScoreText(), FactoryTimeText(556, 96), FactoryCountdownText(30),
  },
  FactoryPauseButton(452, 12), FactoryGoButton(452, 12), FactoryLeaveButton(452, 52),
  FactoryInformation(product, "coffee_intro"),
}
-- The factory stands paused until Start; then it switches these itself.
EnableWindow("pause", false)
EnableWindow("go", false)
