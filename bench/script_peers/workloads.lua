-- The benchmark's workloads in Lua (see workloads.pas).
--   lua5.4 workloads.lua loop|fib|scan|build <page file>
-- prints "<milliseconds> <checksum>".

local function loop(n)
  local s = 0
  for i = 1, n do
    s = (s + i) % 1000003
  end
  return s
end

local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end

local function scan(page, times)
  local total, count = 0, 0
  for _ = 1, times do
    local s = page
    count = 0
    local p = string.find(s, '<a href="', 1, true)
    while p do
      s = string.sub(s, p + 9)
      local q = string.find(s, '"', 1, true)
      local link = string.sub(s, 1, q - 1)
      s = string.sub(s, q + 1)
      total = total + #link
      count = count + 1
      p = string.find(s, '<a href="', 1, true)
    end
  end
  return total + count
end

-- The pieces gathered in a table and joined once: Lua's way to build a text.
local function build(page, times)
  local total = 0
  local n = #page // 2000
  for _ = 1, times do
    local parts = {}
    for i = 0, 1999 do
      parts[#parts + 1] = string.sub(page, i * n + 1, (i + 1) * n)
    end
    local s = table.concat(parts)
    total = total + #s + scan(s, 1)
  end
  return total
end

local workload, pagePath = arg[1], arg[2]
local file = assert(io.open(pagePath, "rb"))
local page = file:read("a")
file:close()

local start = os.clock()
local result
if workload == "loop" then
  result = loop(10000000)
elseif workload == "fib" then
  result = fib(30)
elseif workload == "build" then
  result = build(page, 50)
else
  result = scan(page, 50)
end
print(string.format("%.3f %d", (os.clock() - start) * 1000, result))
