-- A moon going once round a planet in 36 key frames. Render the frames with
--   kalvex --script examples/scripts/orbit.lua --save orbit.cad
--   kalvex --render orbit.cad --frames all

local frames = 36
local distance = 6.0

function main()
  Scene.AutoRefresh = false
  local planet = Scene:CreateObject("Planet", 13)
  Scene:SetSize(planet, 2.0, 2.0, 2.0)
  Scene:SetColor(planet, "Rgb.60.110.220")
  Scene:RebuildObject(planet)

  local moon = Scene:CreateObject("Moon", 13)
  Scene:SetSize(moon, 0.7, 0.7, 0.7)
  Scene:SetColor(moon, "Rgb.230.230.210")
  Scene:RebuildObject(moon)

  Scene:CreateAnimation("Orbit", frames)
  Scene:AnimateObject(moon)
  Scene:ClearSelection()
  Scene:SelectObject(moon, true)

  -- Each frame moves the moon from where the last frame left it; going to
  -- the next frame keeps the move as a key frame.
  local x, z = 0.0, 0.0
  for frame = 0, frames - 1 do
    Scene:GotoFrame(frame)
    local angle = frame / frames * 2.0 * math.pi
    local nx, nz = distance * math.cos(angle), distance * math.sin(angle)
    Scene:Move(nx - x, 0.0, nz - z)
    x, z = nx, nz
  end
  Scene:GotoFrame(0)
  Scene:ClearSelection()
  Scene.AutoRefresh = true
  Scene:Redraw()
  print(string.format("%d frames of %d", Scene:GetMaxFrame(), frames))
end
