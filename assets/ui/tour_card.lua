-- The transitions' card, built into the card's window: Mara in the mood gCardMood (happy by
-- default) over the card's line. The fade swaps in the other mood while the card is unseen.
MakeDialog {
  CharWindow { name = "mara", x = 82, y = 6, scale = 0.6, happiness = gCardMood or 90 },
  Text { name = "cardtext", x = 0, y = 130, w = 260, h = 34, label = "tour_card", padding = kHAlignCenter + kVAlignCenter,
    font = gBodyFont },
}
