-- Spheres along a rising spiral, their colours running once round the
-- colour wheel. Run it with
--   kalvex --script examples/scripts/spiral.lua --save spiral.cad
-- or open it in the Macro panel and press Run.

local count = 48     -- spheres
local turns = 3.0    -- times round the axis
local radius = 5.0   -- of the spiral
local rise = 0.2     -- height gained from one sphere to the next

-- A fully saturated colour for a hue from 0 to 1, as 0..255 channels.
local function hue(h)
  local k = h * 6.0
  local x = 1.0 - math.abs(k % 2.0 - 1.0)
  local r, g, b
  if k < 1 then r, g, b = 1, x, 0
  elseif k < 2 then r, g, b = x, 1, 0
  elseif k < 3 then r, g, b = 0, 1, x
  elseif k < 4 then r, g, b = 0, x, 1
  elseif k < 5 then r, g, b = x, 0, 1
  else r, g, b = 1, 0, x end
  return math.floor(r * 255 + 0.5), math.floor(g * 255 + 0.5), math.floor(b * 255 + 0.5)
end

function main()
  -- One redraw at the end instead of one per sphere.
  Scene.AutoRefresh = false
  local translate = Scene:GetObjectPropertyId("Translate")
  for i = 0, count - 1 do
    local angle = i / count * turns * 2.0 * math.pi
    local ball = Scene:CreateObject(string.format("Spiral%02d", i), 13)
    Scene:SetSize(ball, 0.6, 0.6, 0.6)
    Scene:SetObjectPropertyPnt(ball, translate, radius * math.cos(angle), i * rise - 4.0,
                               radius * math.sin(angle))
    Scene:SetColor(ball, string.format("Rgb.%d.%d.%d", hue(i / count)))
    Scene:RebuildObject(ball)
    Scene:FreeObject(ball)
  end
  Scene.AutoRefresh = true
  Scene:Redraw()
  print(string.format("%d spheres made", count))
end
