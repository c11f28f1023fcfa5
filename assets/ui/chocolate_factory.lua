-- The chocolate factory's screen: the machine (the "FactoryGame" window, built from the keys
-- below), the clock with the score on its face, the time, the countdown, the pause and go
-- buttons, a way back to the menu, and the information panel, which shows how to play until
-- Start, then the pause and game-over panels the factory fills into it. The product is
-- gFactoryProduct when the caller set one, else the house truffle.
gFactoryKind = "chocolate"
local product = gFactoryProduct or {
  name = "truffle", label = "product_truffle", code = "truffle",
  recipe = { "cocoa", "milk", "sugar" },
}


ReadFile("ui/factory_screen.lua")

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("image/backdrop_chocolate.png"),
  QRNWindow { name = "missplaces", x = 16, y = 56, w = 124, h = 36, frame = "ui/kit/panel_dark",
    color = kChocolate },
  ChocolateFactory { name = "FactoryGame", x = 0, y = 0, w = 800, h = 600, fill = false,
    productName = product.name, productCode = product.code, recipe = product.recipe,
    appearance = { code = product.code },
    colorcount = 2, warnOnMiss = false,
    countdowntime = 3000, gametime = 60000, warntime = 10000,
    -- Three trays on a loop over the floor; the machine takes a full tray on the right.
    traycount = 3, traytime = 30000, trayend = 0.45,
    traypath = { { 100, 170 }, { 250, 110 }, { 450, 110 }, { 560, 230 },
                 { 610, 290 }, { 560, 360 }, { 440, 360 },
                 { 300, 360 }, { 160, 360 }, { 90, 300 },
                 { 40, 250 }, { 40, 200 }, { 100, 170 } },
    speedup = 1.1, maxspeed = 4,
    -- The conveyor brings the ammunition along the floor to the gun.
    conveyortime = 1200, conveyorcount = 5,
    conveyorpath = { { 40, 540 }, { 160, 540 }, { 280, 540 }, { 400, 540 } },
    gunspeed = 250, ringspeed = 500,
    -- Finished truffles come out of the machine's chute into the box.
    producttime = 2500,
    productpath = { { 695, 380 }, { 695, 440 }, { 695, 490 }, { 695, 540 } },
    missed = { { 42, 74 }, { 78, 74 }, { 114, 74 } },
    -- The bin that runs along the top takes whatever is shot into it, without a miss.
    recycler = true, recyclertime = 14000,
    recyclerpath = { { 110, 52 }, { 260, 40 }, { 420, 40 }, { 530, 52 },
                     { 420, 64 }, { 260, 64 }, { 110, 52 } },
    machine = "image/chocolate_machine",
    FactoryScoreText(), FactoryTimeText(540, 104), FactoryCountdownText(200),
  },
  FactoryPauseButton(16, 16), FactoryGoButton(16, 16), FactoryLeaveButton(124, 16),
  FactoryInformation(product, "factory_intro"),
}
-- The factory stands paused until Start; then it switches these itself.
EnableWindow("pause", false)
EnableWindow("go", false)
