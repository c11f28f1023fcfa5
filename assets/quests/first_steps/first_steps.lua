-- The first quest: a game's truffles for the market at Sugar Quay.
table.insert(_AllQuests, { name = "first_steps", title = "quest_first_steps", product = "truffle",
  port = "sugar_quay", amount = 8 })
